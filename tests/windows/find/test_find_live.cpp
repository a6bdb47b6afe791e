// Find on All Computers on the real network, as the program runs it: each
// computer asked by a child process of the program's own binary, against the
// "samba" fixture's smbd. 127.0.0.1 is named by the administrator and gets
// their account; the fixture's relay on 127.0.0.30 leads to the same server
// but nobody named it, so it must be asked without a password; 127.0.0.2
// accepts connections and never answers.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cstdlib>

#include "DeadServers.h"
#include "ListedMain.h"
#include "app/NetworkChoice.h"
#include "app/cli/SearchChild.h"
#include "netenum/Provider.h"
#include "support/ListText.h"
#include "support/LiveFixture.h"
#include "support/ScriptedPrompts.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Prompts.h"
#include "windows/common/ReportList.h"
#include "windows/find/frmFindAll.h"

namespace {

const char* const kAlice = "vantortest_alice";
const char* const kBob = "vantortest_bob";

// The administrator's account for every server it is asked about; notes whom.
class AdminAccount final : public logon::CredentialLookup {
public:
    explicit AdminAccount(logon::Account account) : mAccount(std::move(account)) {}
    std::optional<logon::Account> Known(const std::string& server) override {
        asked.push_back(server);
        return mAccount;
    }
    std::optional<logon::Account> Ask(const std::string&, std::uint32_t, int) override { return {}; }
    void Accepted(const std::string&, const logon::Account&) override {}
    void Refused(const std::string&) override {}
    std::vector<std::string> asked;

private:
    logon::Account mAccount;
};

class AllComputersLive : public ::testing::Test {
protected:
    void SetUp() override {
        const testing_support::SambaRun& run = testing_support::Samba();
        if (!run.skip.empty()) GTEST_SKIP() << run.skip;
        if (run.env.count("relay") == 0) GTEST_SKIP() << "the fixture started no relay";
        dir = run.dir;
        password = run.env.at("password");
        // The children inherit this: no auth file, no ticket, and the client
        // settings the relay needs (it rewrites replies, so nothing is signed).
        unsetenv("VANTOR_SMB_AUTHFILE");
        unsetenv("VANTOR_NETWORK");
        setenv("KRB5CCNAME", "FILE:/nonexistent/vantor-no-ticket", 1);
        setenv("HOME", run.env.at("relay_home").c_str(), 1);
        std::string error;
        ASSERT_TRUE(app::ChooseNetwork("smb", error)) << error;
        app::NameTypedServers({u"127.0.0.1"});
        lookup = std::make_shared<AdminAccount>(
            logon::Account(run.env.at("admin"), run.env.at("admin_password"), "VANTORTEST"));
        previous = common::SetPrompts(prompts);
    }
    void TearDown() override {
        if (IsSkipped()) return;
        window.reset();
        alice.reset();
        bob.reset();
        hole.reset();
        common::SetPrompts(previous);
        netapi::SetProvider(nullptr);
    }
    find::frmFindAll& Open() {
        main.computers = {u"127.0.0.1", u"127.0.0.2", u"127.0.0.30"};
        find::FindSetup setup;
        setup.children = app::SearchChildProgram(VANTOR_BINARY, lookup);
        // Long enough that only a stop ends the black hole's wait here.
        setup.limits.deadline = std::chrono::seconds(90);
        window = std::make_unique<find::frmFindAll>(main, nullptr, std::move(setup));
        window->show();
        return *window;
    }
    // A file of a share as Samba names it.
    std::string ServerPath(std::string sharePath) const {
        std::string p = "C:" + dir + "/shares/" + sharePath;
        std::replace(p.begin(), p.end(), '/', '\\');
        return p;
    }
    // The test users' rows: computer, user, path.
    std::vector<QStringList> TestRows() const {
        std::vector<QStringList> rows;
        for (const QStringList& row : listtext::Rows(*window->lstvwFiles))
            if (row[1].startsWith("vantortest_")) rows.push_back({row[0], row[1], row[4]});
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // With alice holding budget.xls and report.doc and bob budget.xls, and
    // the black hole listening: searches "*budget*" until the two computers
    // that answer have answered, the black hole still waiting, then stops
    // with Esc.
    find::frmFindAll& OpenAndFindBudget() {
        auto& w = Open();
        hole = std::make_unique<smbtest::DeadServer>(smbtest::DeadServer::Kind::BlackHole);
        EXPECT_EQ(hole->Error(), "");
        alice = std::make_unique<testing_support::FileHolder>(VANTOR_SMB_HOLDER, "127.0.0.1", kAlice, password,
                                                              std::vector<std::string>{"docs/budget.xls", "docs/report.doc"});
        bob = std::make_unique<testing_support::FileHolder>(VANTOR_SMB_HOLDER, "127.0.0.1", kBob, password,
                                                            std::vector<std::string>{"docs/budget.xls"});
        if (!hole->Error().empty() || !alice->Ready() || !bob->Ready()) {
            ADD_FAILURE() << alice->Failure() << bob->Failure();
            return w;
        }
        FindBudget(w);
        return w;
    }
    // QTRY_* returns from the function it fails in.
    void FindBudget(find::frmFindAll& w) {
        w.txtPath->setText("*budget*");
        w.cmdFind->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.lblProgress->text().startsWith("2 of 3 computers answered"), 60'000);
        EXPECT_EQ(w.lblProgress->text(), "2 of 3 computers answered, 1 failed");
        EXPECT_TRUE(w.Busy()) << "the black hole is still being waited for";
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_FALSE(w.Busy());
    }

    std::string dir, password;
    std::shared_ptr<AdminAccount> lookup;
    std::shared_ptr<common::ScriptedPrompts> prompts = std::make_shared<common::ScriptedPrompts>();
    std::shared_ptr<common::Prompts> previous;
    findtest::ListedMain main;
    std::unique_ptr<smbtest::DeadServer> hole;
    std::unique_ptr<testing_support::FileHolder> alice, bob;
    std::unique_ptr<find::frmFindAll> window;
};

TEST_F(AllComputersLive, ChildrenListWhatTheServerHoldsOnlyTheNamedComputerGetsAPasswordAndBulkCloseIsExact) {
    auto& w = OpenAndFindBudget();
    ASSERT_FALSE(HasFailure());
    const QString budget = QString::fromStdString(ServerPath("docs/budget.xls"));
    EXPECT_EQ(TestRows(), (std::vector<QStringList>{{"127.0.0.1", kAlice, budget}, {"127.0.0.1", kBob, budget}}));
    EXPECT_EQ(hole->Accepted(), 1);
    // The same server behind the relay, asked without an account, refuses.
    const QString pane = w.Text1->Text();
    EXPECT_TRUE(pane.contains("127.0.0.30: NetFileEnum error 5 : Access is denied.")) << pane.toStdString();
    EXPECT_FALSE(pane.contains("127.0.0.1:")) << pane.toStdString();
    EXPECT_EQ(lookup->asked, std::vector<std::string>{"127.0.0.1"}) << "whose password was looked up";

    // A bulk close closes exactly the file selected.
    const auto rows = listtext::Rows(*w.lstvwFiles);
    int row = -1;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        if (rows[static_cast<std::size_t>(i)][1] == kAlice) row = i;
    ASSERT_GE(row, 0);
    w.lstvwFiles->SetSelected(row, true);
    prompts->yesNoAnswers = {true};
    QSignalSpy ended(&w, &find::frmFindAll::RunEnded);
    w.cmdCloseFiles->click();
    ASSERT_TRUE(ended.wait(60'000));
    EXPECT_EQ(prompts->asked().at(0).text, "Close 1 open files on 1 computers?");
    EXPECT_TRUE(w.Text1->Text().contains("Closed 1 of 1 files on 1 computers; 0 no longer there, 0 failed."))
        << w.Text1->Text().toStdString();
    EXPECT_FALSE(alice->CanRead(0)) << "the selected file was closed";
    EXPECT_TRUE(alice->CanRead(1)) << "the same user's other file stays open";
    EXPECT_TRUE(bob->CanRead(0)) << "the same file held by another user stays open";
}

}  // namespace
