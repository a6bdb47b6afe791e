// The Find on All Computers window on a simulated network: its searches run
// on worker threads here, exactly as they do in the demo.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <functional>

#include "ListedMain.h"
#include "netenum/netapi.h"
#include "sim/ScenarioLoader.h"
#include "support/ListText.h"
#include "support/ScriptedPrompts.h"
#include "support/WindowTestSupport.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "windows/find/frmFindAll.h"

namespace {

using findtest::ListedMain;
using windowtest::OpenFile;

// FS1 and FS2 hold budget files and others; FS3 holds none of them; DEAD
// never answers within the deadline.
constexpr const char* kServers = R"({ "computers": [
  { "name": "FS1",
    "files": [ { "id": 7, "path": "D:\\Finance\\Budget 2024.xlsx", "user": "ann" },
               { "id": 8, "path": "D:\\Finance\\notes.txt", "user": "bob" } ],
    "sessions": [ { "client": "PC-ANN", "user": "ann", "time": 3660, "idle": 3600 },
                  { "client": "PC-BOB", "user": "bob", "time": 120, "idle": 60 } ] },
  { "name": "FS2",
    "files": [ { "id": 3, "path": "E:\\Team\\budget.xlsx", "user": "bob", "permissions": ["write"], "locks": 2 } ],
    "sessions": [ { "client": "PC-BOB", "user": "bob", "time": 7260, "idle": 7200 } ] },
  { "name": "FS3", "files": [ { "id": 1, "path": "F:\\readme.txt", "user": "cy" } ] },
  { "name": "DEAD", "unreachable": { "delay_ms": 600000 } } ] })";

sim::Scenario Servers() { return sim::ParseScenario(kServers, "servers"); }

class FindAllTest : public ::testing::Test {
protected:
    void TearDown() override {
        window.reset();
        EXPECT_EQ(netapi::LiveBufferCount(), 0);
    }
    find::frmFindAll& Open(std::vector<std::u16string> computers, find::FindSetup setup = {}) {
        main.computers = std::move(computers);
        window = std::make_unique<find::frmFindAll>(main, nullptr, setup);
        window->show();
        return *window;
    }
    // Runs the window's events until the search or command `start` began has ended.
    void RunAndWait(const std::function<void()>& start) {
        QSignalSpy ended(window.get(), &find::frmFindAll::RunEnded);
        start();
        if (window->Busy()) {
            ASSERT_TRUE(ended.wait(30000));
        }
    }
    void FindAndWait() { RunAndWait([this] { window->cmdFind->click(); }); }
    QStringList Column(int column) const { return listtext::Column(*window->CurrentList(), column); }

    windowtest::Network network{Servers()};
    ListedMain main;
    common::PromptsScope prompts;
    std::unique_ptr<find::frmFindAll> window;
};

TEST_F(FindAllTest, FiltersDeadAndFailingComputersAndBadInput) {
    auto& w = Open({u"FS1", u"FS2", u"FS3"});
    // The path pattern has the keys when the window opens, and Return finds.
    ASSERT_EQ(w.focusWidget(), w.txtPath);
    RunAndWait([&] {
        QTest::keyClicks(w.txtPath, "*BUDGET*");  // letter case ignored, as in Find Path
        QTest::keyClick(w.txtPath, Qt::Key_Return);
    });
    EXPECT_EQ(listtext::Headers(*w.lstvwFiles),
              QStringList({"Computer", "Opened By", "For", "Locks", "Path"}));
    auto rows = listtext::Rows(*w.lstvwFiles);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, std::vector<QStringList>({{"FS1", "ann", "Read", "0", "D:\\Finance\\Budget 2024.xlsx", "7"},
                                              {"FS2", "bob", "Write", "2", "E:\\Team\\budget.xlsx", "3"}}));
    EXPECT_EQ(w.lblProgress->text(), "3 of 3 computers answered, 0 failed");

    // The user pattern narrows, and the client pattern goes through the
    // user's sessions (level 3 does not say where a file was opened from).
    w.txtUser->setText("b?b");
    FindAndWait();
    EXPECT_EQ(Column(0), QStringList({"FS2"}));
    w.txtPath->setText("*");
    w.txtUser->clear();
    w.txtClient->setText("pc-ann");
    FindAndWait();
    EXPECT_EQ(Column(4), QStringList({"D:\\Finance\\Budget 2024.xlsx"}));

    // Sessions idle for at least an hour; a computer left out is not asked.
    w.tabFind->setCurrentIndex(1);
    w.lstComputers->item(1)->setCheckState(Qt::Unchecked);
    w.txtIdle->setText("60");
    FindAndWait();
    EXPECT_EQ(listtext::Rows(*w.lstvwSessions),
              std::vector<QStringList>({{"FS1", "ann", "PC-ANN", "1", "01:01:00", "01:00:00", "No", ""}}));
    EXPECT_EQ(w.lblProgress->text(), "2 of 2 computers answered, 0 failed");

    // Rows show while a dead computer is waited for, and Esc keeps them.
    find::FindSetup setup;
    setup.limits.deadline = std::chrono::hours(1);
    auto& d = Open({u"FS1", u"DEAD", u"FS2", u"FS3"}, setup);
    d.txtPath->setText("*");
    d.cmdFind->click();
    QTRY_COMPARE_WITH_TIMEOUT(d.lblProgress->text(), QString("3 of 4 computers answered, 0 failed"), 30'000);
    EXPECT_TRUE(d.Busy());
    EXPECT_EQ(d.lstvwFiles->RowCount(), 4);
    EXPECT_FALSE(d.cmdFind->isEnabled());

    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.Busy());
    EXPECT_TRUE(d.isVisible()) << "Esc during a search stops it; it does not close the window";
    EXPECT_EQ(d.lstvwFiles->RowCount(), 4);
    EXPECT_EQ(d.lblProgress->text(), "Stopped: 3 of 4 computers answered, 0 failed");
    EXPECT_TRUE(d.cmdFind->isEnabled());
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());

    // A failing computer is one line, and the others are listed.
    network->AddFault(u"FS2", sim::Fault::Status(sim::Call::NetFileEnum, netapi::ERROR_ACCESS_DENIED));
    network->AddFault(u"FS3", sim::Fault::Partial(sim::Call::NetFileEnum, 0));
    auto& f = Open({u"FS1", u"FS2", u"FS3"});
    FindAndWait();
    EXPECT_EQ(f.lblProgress->text(), "3 of 3 computers answered, 2 failed");
    EXPECT_EQ(Column(0), QStringList({"FS1", "FS1"}));
    const QString pane = f.Text1->Text();
    EXPECT_TRUE(pane.contains("FS2: NetFileEnum error 5 : Access is denied.")) << pane.toStdString();
    EXPECT_TRUE(pane.contains("FS3: list incomplete: 0 of 1 files\r\n")) << pane.toStdString();

    // Bad input is refused and nothing is asked.
    auto& fs1 = Open({u"FS1"});
    fs1.txtPath->setText(QString(1025, 'a'));
    fs1.cmdFind->click();
    fs1.txtPath->clear();
    fs1.tabFind->setCurrentIndex(1);
    for (const char* idle : {"-1", "71582789", "ten"}) {
        fs1.txtIdle->setText(idle);
        fs1.cmdFind->click();
    }
    fs1.txtIdle->setText("0");
    fs1.lstComputers->item(0)->setCheckState(Qt::Unchecked);
    fs1.cmdFind->click();
    ASSERT_EQ(prompts->asked().size(), 5u);
    EXPECT_TRUE(prompts->asked()[0].text.contains("at most 1024 characters"));
    EXPECT_TRUE(prompts->asked()[1].text.contains("from 0 to 71582788"));
    EXPECT_TRUE(prompts->asked()[4].text.contains("Every computer is left out"));
    EXPECT_FALSE(fs1.Busy());
    EXPECT_TRUE(fs1.lblProgress->text().isEmpty()) << "nothing was sent";

    // An empty computer list says so.
    Open({});
    window->cmdFind->click();
    EXPECT_TRUE(prompts->asked().back().text.contains("computer list is empty"));
}

TEST_F(FindAllTest, SortedListsTakeLateRowsInPlaceAndBulkCommandsCloseNothingStale) {
    auto& w = Open({u"FS1", u"FS2", u"FS3"});
    FindAndWait();
    listtext::ClickHeader(*w.lstvwFiles, 4);  // by path (the first click: descending)
    // A new search into the sorted list: each computer's rows take their places.
    FindAndWait();
    EXPECT_EQ(Column(4), QStringList({"F:\\readme.txt", "E:\\Team\\budget.xlsx",
                                      "D:\\Finance\\notes.txt", "D:\\Finance\\Budget 2024.xlsx"}));

    w.txtPath->setText("*budget*");
    FindAndWait();
    // Meanwhile FS1's file was closed and its id handed to another file.
    sim::Scenario now = Servers();
    now.computers[0].files = {OpenFile(7, u"dan", u"D:\\Other\\payroll.xlsx")};
    network.Replace(std::move(now));

    w.cmdSelectAll->click();
    prompts->yesNoAnswers = {true};
    RunAndWait([&] { w.cmdCloseFiles->click(); });
    EXPECT_EQ(prompts->asked().at(0).text, "Close 2 open files on 2 computers?");
    const QString pane = w.Text1->Text();
    EXPECT_TRUE(pane.contains("FS1: D:\\Finance\\Budget 2024.xlsx: no longer open (nothing closed)"))
        << pane.toStdString();
    EXPECT_TRUE(pane.contains("Closed 1 of 2 files on 2 computers; 1 no longer there, 0 failed."))
        << pane.toStdString();
    EXPECT_EQ(w.lstvwFiles->RowCount(), 0);

    // Saying No sends nothing: FS1's other file and FS3's stay listed.
    w.txtPath->setText("*");
    FindAndWait();
    ASSERT_EQ(w.lstvwFiles->RowCount(), 2);
    w.cmdSelectAll->click();
    prompts->yesNoAnswers = {false};
    w.cmdCloseFiles->click();
    EXPECT_FALSE(w.Busy());
    FindAndWait();
    EXPECT_EQ(w.lstvwFiles->RowCount(), 2);

    // Disconnect ends the selected sessions.
    w.tabFind->setCurrentIndex(1);
    w.txtSessionUser->setText("bob");
    FindAndWait();
    w.cmdSelectAll->click();
    prompts->yesNoAnswers = {true};
    RunAndWait([&] { w.cmdDisconnect->click(); });
    EXPECT_TRUE(w.Text1->Text().contains("Disconnected 2 of 2 sessions on 2 computers")) << w.Text1->Text().toStdString();
    FindAndWait();
    EXPECT_EQ(w.lstvwSessions->RowCount(), 0);
}

}  // namespace
