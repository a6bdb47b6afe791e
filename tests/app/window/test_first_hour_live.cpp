// The first hour against real servers (the "samba" fixture's smbd on
// 127.0.0.1, a computer on 127.0.0.2 that accepts and never answers or one
// that relays to the smbd and stalls, a name that does not resolve): the main
// window as the program runs it, with its call runner, the desktop's lookup
// (a keyring in memory) and scripted prompts. Through the fixture's
// message-mode relay, the computer chosen is the relay, added to the list
// (the summary at the start is always this computer's own).
#include <gtest/gtest.h>
#include <netdb.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <cstdlib>

#include "DeadServers.h"
#include "GuiTestEnvironment.h"
#include "app/window/SavedServers.h"
#include "app/window/modMain.h"
#include "netenum/CallControl.h"
#include "netenum/colSessionEnum.h"
#include "smb/SmbProvider.h"
#include "support/LiveFixture.h"
#include "support/WindowTestSupport.h"
#include "tests/windows/logon/FakeKeyring.h"
#include "windows/common/CallWait.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Settings.h"
#include "windows/logon/DesktopLogon.h"
#include "windows/shares/frmSharedResources.h"

using gui_test::Entries;
using gui_test::Pick;

namespace {

// Whether this machine's resolver says "no such name" for `name` (not "no answer").
bool ResolverDenies(const char* name) {
    addrinfo* found = nullptr;
    const int error = getaddrinfo(name, "445", nullptr, &found);
    if (found != nullptr) freeaddrinfo(found);
    return error == EAI_NONAME;
}

class FirstHourLive : public testing_support::SambaTest {
protected:
    void SetUp() override {
        SambaTest::SetUp();
        if (IsSkipped()) return;
        testing_support::UseSambaClientHome();
        gui_test::RemoveSettings();
        setenv("KRB5CCNAME", "FILE:/nonexistent/vantor-no-ticket", 1);
        netapi::SetCallLimits({std::chrono::milliseconds(2500), std::chrono::seconds(30),
                               std::chrono::seconds(300)});
        logon::SetLookup(lookup);
        netapi::SetCallRunner(&runner);
    }
    void TearDown() override {
        if (IsSkipped()) return;
        window.reset();
        netapi::SetCallRunner(nullptr);
        logon::SetLookup(nullptr);
        netapi::SetProvider(nullptr);
        netapi::SetCallLimits({});
        gui_test::RemoveSettings();
        app::PublishSavedServers();
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }
    // The program on the real network: the auth file's account, or none.
    app::frmMain& Start(bool authFile, const QString& added = {}) {
        if (authFile)
            setenv("VANTOR_SMB_AUTHFILE", (dir + "/admin.auth").c_str(), 1);
        else
            unsetenv("VANTOR_SMB_AUTHFILE");
        netapi::SetProvider(smb::MakeSmbProvider());
        common::SaveSetting("Vantor", "Network", "Servers", added);
        app::PublishSavedServers();
        window = std::make_unique<app::frmMain>(app::ToolWindows{
            {}, [](common::MainFormLink& main, QWidget* parent) -> std::unique_ptr<QDialog> {
                return std::make_unique<shares::frmSharedResources>(main, parent);
            }});
        window->Load();
        return *window;
    }
    common::LogonAnswer Admin() const {
        return {QString::fromStdString(env.at("admin")), QString::fromStdString(env.at("admin_password")),
                {}, false, false};
    }
    QString Pane() const { return window->Text1->Text(); }
    // The fixture's server as this pass chooses it in the list: this
    // computer, or the relay (one of the computers added).
    static QString Chosen() {
        return testing_support::Samba().viaRelay ? QString::fromStdString(testing_support::Samba().host)
                                                 : QStringLiteral("**LOCAL**");
    }

    gui_test::Doubles doubles;
    common::ScriptedPrompts& prompts = doubles.prompts();
    std::shared_ptr<logon::DesktopLogon> lookup =
        std::make_shared<logon::DesktopLogon>(std::make_shared<logon_test::FakeKeyring>());
    common::WaitingCallRunner runner;
    std::unique_ptr<app::frmMain> window;
};

TEST_F(FirstHourLive, TheStartAsksNobodyAChoiceAsksOverTheWindowAndAMissingRightIsSaid) {
    // The relay is listed with the computers added (the listing asks nobody).
    if (testing_support::Samba().viaRelay) common::SaveOption("Type", "All Servers");
    app::frmMain& main = Start(false, testing_support::Samba().viaRelay ? Chosen() : QString());
    // This computer refuses an anonymous summary; nobody chose it, nobody is asked.
    EXPECT_TRUE(prompts.logonRequests.empty());
    EXPECT_TRUE(Pane().contains("NetSessionEnum error 5 : Access is denied.")) << Pane().toStdString();
    EXPECT_EQ(main.lblSessions->text(), "");

    bool shownWhenAsked = false;
    prompts.onLogOn = [&] { shownWhenAsked = main.isVisible(); };
    prompts.logonAnswers = {Admin()};
    Pick(main.cboComputerName, Chosen());
    ASSERT_EQ(prompts.logonRequests.size(), 1u);
    EXPECT_TRUE(shownWhenAsked);
    EXPECT_EQ(Pane(), "Computer information retrieved\r\n");
    EXPECT_NE(main.lblSessions->text(), "");

    // Samba refuses to end a session that is not there (5): the account that
    // logged on lacks a right, which another prompt would not give it.
    netenum::colSessionEnum sessions;
    sessions.Init(main.RemoteServer().toStdU16String());
    sessions.DeleteItem(u"NOWHERE", u"ghost");
    EXPECT_EQ(prompts.logonRequests.size(), 1u);
    EXPECT_TRUE(Pane().contains("lacks the right to do this. To use another account, choose "
                                "Computers > Log On As...\r\nNetSessionDel error 5 : Access is denied.\r\n"))
        << Pane().toStdString();

    // Forgotten: the next choice asks again.
    main.mnuForgetLogOn->trigger();
    prompts.logonAnswers = {Admin()};
    Pick(main.cboComputerName, Chosen());
    EXPECT_EQ(prompts.logonRequests.size(), 2u);
}

TEST_F(FirstHourLive, AddedComputersThatAreDeadOrUnknownAreListedWithTheirStateAndRemovable) {
    smbtest::DeadServer hole(smbtest::DeadServer::Kind::BlackHole);
    ASSERT_EQ(hole.Error(), "");
    common::SaveOption("Type", "All Servers");
    app::frmMain& main = Start(true, "127.0.0.2,x.invalid");
    const QStringList entries = Entries(main.cboComputerName);
    EXPECT_TRUE(entries.contains("127.0.0.2") && entries.contains("x.invalid")) << entries.join(",").toStdString();
    EXPECT_TRUE(Pane().contains("127.0.0.2: not answering\r\n")) << Pane().toStdString();
    if (ResolverDenies("x.invalid")) {
        EXPECT_TRUE(Pane().contains("x.invalid: name not found\r\n")) << Pane().toStdString();
    }
    EXPECT_EQ(hole.Accepted(), 1) << "asked once, by the listing's check";

    main.cboComputerName->setCurrentIndex(main.cboComputerName->findText("127.0.0.2"));
    emit main.mnuComputers->aboutToShow();
    ASSERT_TRUE(main.mnuRemoveComputer->isEnabled());
    prompts.yesNoAnswers = {true};
    main.mnuRemoveComputer->trigger();
    EXPECT_EQ(app::SavedServers(), QStringList{"x.invalid"});
}

TEST_F(FirstHourLive, AStalledServerIsSaidInWordsAndItsSummaryNeverReadsAsRetrieved) {
    // In front of the smbd, or of the message-mode relay in front of it.
    smbtest::DeadServer relay(smbtest::DeadServer::Kind::Drip, 1, testing_support::Samba().host);
    ASSERT_EQ(relay.Error(), "");
    relay.SetDripping(false);
    common::SaveOption("Type", "All Servers");
    app::frmMain& main = Start(true, "127.0.0.2");
    Pick(main.cboComputerName, "127.0.0.2");
    ASSERT_EQ(Pane(), "Computer information retrieved\r\n");

    relay.SetDripping(true);
    QString sharesPane;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            auto* shares = qobject_cast<shares::frmSharedResources*>(QApplication::activeModalWidget());
            if (shares == nullptr) return;
            shares->FillFirst();
            sharesPane = shares->Text1->Text();
            shares->cmdClose->click();
        },
        Qt::QueuedConnection);
    main.cmdShares->click();
    EXPECT_EQ(sharesPane, "Reading list...\r\n"
                          "NetShareEnum error 121 : The semaphore timeout period has expired.\r\n"
                          "127.0.0.2 did not answer within 2.5 seconds.\r\n");
    EXPECT_FALSE(Pane().contains("Computer information retrieved")) << Pane().toStdString();
    EXPECT_TRUE(Pane().contains("127.0.0.2 did not answer within 2.5 seconds.")) << Pane().toStdString();
    EXPECT_EQ(main.lblSessions->text(), "");
    EXPECT_EQ(main.lblOpenFiles->text(), "");
}

}  // namespace
