// The User Sessions window driven through its controls on a simulated server.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "netenum/NetBuffer.h"
#include "netenum/modAPI_Error.h"
#include "sim/ScenarioLoader.h"
#include "support/ListText.h"
#include "support/ScriptedPrompts.h"
#include "support/ScriptedProvider.h"
#include "support/WindowTestSupport.h"
#include "tests/smb/ServerPersonality.h"
#include "text/Text.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Settings.h"
#include "windows/sessions/frmUserSessions.h"

using listtext::Column;
using sessions::frmUserSessions;

namespace {

// alice and dave both come from WS1; bob twice (a guest on WS2). The accounts
// carry other flag bits; ADMINPC, where the program runs, has a bob of its own.
constexpr const char* kOffice = R"({ "computers": [
  { "name": "ADMINPC", "local": true, "accounts": [ { "name": "bob" } ] },
  { "name": "SERVER1",
    "shares": [ { "name": "DATA", "path": "D:\\Data" }, { "name": "IPC$" } ],
    "sessions": [ { "client": "WS1", "user": "alice", "time": 3725, "idle": 61 },
                  { "client": "WS2", "user": "bob", "time": 59, "flags": 1 },
                  { "client": "WS3", "user": "carol", "time": 60, "flags": 3 },
                  { "client": "WS4", "user": "bob", "time": 7200 },
                  { "client": "WS1", "user": "dave" } ],
    "files": [ { "id": 1, "path": "D:\\Data\\a.xls", "user": "alice" } ],
    "accounts": [ { "name": "alice" },
      { "name": "bob", "flags": ["script", "normal_account", "lockout", "dont_expire_passwd"],
        "full_name": "Bob Builder",
        "logon_hours": [1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21] },
      { "name": "carol",
        "flags": ["accountdisable", "normal_account", "passwd_cant_change"] } ] } ] })";

constexpr netapi::DWORD kDefaultFlags = 0x201;  // script, normal

// An account as the server now holds it: flags, full name, last logon-hours byte.
std::tuple<netapi::DWORD, std::u16string, int> Account(const char16_t* server,
                                                       const char16_t* user) {
    netenum::NetBuffer buffer;
    if (netapi::NetUserGetInfo(server, user, 3, buffer.Out()) != 0) return {};
    const auto* r = buffer.As<netapi::USER_INFO_3>();
    return {r->usri3_flags, netenum::PointerToString(&r->usri3_full_name),
            r->usri3_logon_hours ? r->usri3_logon_hours[20] : -1};
}

class SessionsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<frmUserSessions>(main);
        window->FillFirst();
    }
    // Send Message, Disconnect, Disable Account, Enable Account.
    QString Commands() const {
        return listtext::Enabled(
            {window->Command3, window->cmdDisconnect, window->cmdDisable, window->cmdEnable});
    }
    void ClickRows(std::initializer_list<int> rows) {
        window->lstvwUserSessions->DeselectAllRows();
        for (int row : rows) {
            window->lstvwUserSessions->SetSelected(row, true);
            emit window->lstvwUserSessions->ItemClick(row);
        }
    }
    QString Pane() const { return window->Text1->Text(); }

    windowtest::FakeMainForm main;
    windowtest::Network network{sim::ParseScenario(kOffice, "office")};
    common::PromptsScope prompts;
    std::unique_ptr<frmUserSessions> window;
};

TEST_F(SessionsWindowTest, LoadClicksFindSortRefreshAndClosing) {
    auto& w = *window;
    EXPECT_EQ(w.windowTitle(), "Vantor - User Sessions on SERVER1");
    EXPECT_EQ(listtext::Row(*w.lstvwUserSessions, 0),
              (QStringList{"alice", "WS1", "1", "01:02:05", "00:01:01", "No", "WS1"}));
    EXPECT_EQ(Column(*w.lstvwUserSessions, 5), (QStringList{"No", "Yes", "No", "No", "No"}));
    EXPECT_EQ(w.lblConnectedUsers->text(), "5");
    // The resources of the computer WS1: alice's and dave's connections.
    EXPECT_EQ(Column(*w.lstvwResources, 0), (QStringList{"DATA", "IPC$", "IPC$"}));
    EXPECT_EQ(w.lstvwUserSessions->SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(Commands(), "1111");

    ClickRows({2});
    EXPECT_EQ(Column(*w.lstvwResources, 0), QStringList{"IPC$"});  // WS3's
    EXPECT_EQ(Commands(), "1111");

    w.txtFind->setText(" B* ");  // Find presses De-select All first
    w.cmdFind->click();
    EXPECT_EQ(w.lstvwUserSessions->SelectedRows(), std::vector<int>{1});
    EXPECT_EQ(Commands(), "0000");
    w.txtFind->setText("WS1");  // the computer is not searched
    w.cmdFind->click();
    ASSERT_EQ(prompts->asked().size(), 1u);
    EXPECT_EQ(prompts->asked()[0].text, "Nothing found.");

    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    listtext::ClickHeader(*w.lstvwUserSessions, 3);  // "Time" as text, descending
    EXPECT_EQ(Column(*w.lstvwUserSessions, 1), (QStringList{"WS4", "WS1", "WS3", "WS2", "WS1"}));
    w.cmdRefresh->click();
    EXPECT_EQ(Pane(), "List refreshed\r\n");
    EXPECT_EQ(w.lstvwUserSessions->ColumnText(3), "Time");
    EXPECT_EQ(Column(*w.lstvwResources, 0), QStringList{"IPC$"});  // WS4 leads now
    EXPECT_EQ(Commands(), "1111");

    // Close and Esc refill the summary, the close box does not; the find text is saved.
    auto reopen = [this] {
        SetUp();
        window->show();
        return QTest::qWaitForWindowActive(window.get());
    };
    window->txtFind->setText("al*");
    window->cmdClose->click();
    EXPECT_EQ(main.fillGeneralCalls, 1);
    EXPECT_EQ(common::GetOption("FindUser"), "al*");
    ASSERT_TRUE(reopen());
    EXPECT_EQ(window->txtFind->text(), "al*");
    QTest::keyClick(window->txtFind, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(main.fillGeneralCalls, 2);
    reopen();
    window->close();
    EXPECT_EQ(main.fillGeneralCalls, 2);
    EXPECT_EQ(netenum::CurrentForm(), &main);
}

TEST_F(SessionsWindowTest, DisableAndEnableChangeOnlyTheBitThenDisconnectAndDeniedRefresh) {
    auto& w = *window;
    ClickRows({1});
    w.cmdDisable->click();  // nothing queued: the answer is No
    ASSERT_EQ(prompts->asked().size(), 1u);
    EXPECT_EQ(prompts->asked()[0].text,
              "Are you sure you want to disable the selected user accounts?");
    EXPECT_FALSE(prompts->asked()[0].defaultYes);
    EXPECT_EQ(Pane(), "");
    EXPECT_EQ(Commands(), "1111");

    ClickRows({1, 3, 4});  // bob twice, and dave, who has no account there
    prompts->yesNoAnswers.push_back(true);
    w.cmdDisable->click();
    EXPECT_EQ(Pane(),
              "Disabling user accounts...\r\nbob : Account disabled\r\n"
              "bob : Account is already disabled\r\ndave : Account or server was not found\r\n"
              "1 user accounts disabled\r\n");
    // bob's other bits (script, normal, lockout, password never expires) stay.
    EXPECT_EQ(Account(u"SERVER1", u"bob"),
              std::make_tuple(0x10213u, std::u16string(u"Bob Builder"), 21));
    EXPECT_EQ(std::get<0>(Account(u"", u"bob")), kDefaultFlags);  // the local namesake is untouched
    EXPECT_EQ(w.lstvwUserSessions->SelectedCount(), 0);
    EXPECT_EQ(Commands(), "0000");

    // Enable clears only the bit and never writes an enabled account.
    sim::Fault deny = sim::Fault::Status(sim::Call::NetUserSetInfo, 5);
    deny.names = {u"alice"};  // writing alice would fail: "already enabled" proves no write
    network->AddFault(u"SERVER1", deny);
    ClickRows({0, 2});
    w.cmdEnable->click();
    EXPECT_EQ(Pane(),
              "Enabling user accounts...\r\nalice : Account is already enabled\r\n"
              "carol : Account enabled\r\n1 user accounts enabled\r\n");
    EXPECT_EQ(std::get<0>(Account(u"SERVER1", u"carol")), 0x240u);  // normal, cannot change password

    ClickRows({0});
    prompts->yesNoAnswers.push_back(true);
    w.cmdDisable->click();
    EXPECT_EQ(Pane(),
              "Disabling user accounts...\r\nalice : The call to NetUserSetInfo failed\r\n"
              "0 user accounts disabled\r\n");
    ClickRows({0});
    w.lstvwUserSessions->DeselectAllRows();  // clicked, then de-selected by hand
    w.cmdEnable->click();
    EXPECT_EQ(Pane(), "Enabling user accounts...\r\n0 user accounts enabled\r\n");

    // A member server that keeps its account database to its administrators
    // refuses even the reading: the line says so instead of "not found".
    network->AddFault(u"SERVER1", sim::Fault::Status(sim::Call::NetUserGetInfo, 5));
    ClickRows({2});
    w.cmdEnable->click();
    EXPECT_EQ(Pane(),
              "Enabling user accounts...\r\ncarol : Access is denied (the server may let only its "
              "administrators use its account database over the network)\r\n"
              "0 user accounts enabled\r\n");

    // Disconnect, after a partial refresh, and a denied refresh.
    network->ClearFaults();
    network->AddFault(u"SERVER1", sim::Fault::Partial(sim::Call::NetSessionEnum, 4));
    w.cmdRefresh->click();
    EXPECT_EQ(w.lblConnectedUsers->text(), "4");
    EXPECT_TRUE(Pane().startsWith("Refreshing list...\r\nlist incomplete: 4 of 5 sessions\r\n"))
        << Pane().toStdString();
    network->ClearFaults();
    w.cmdRefresh->click();
    ClickRows({2, 4});  // carol, who leaves first, and dave
    ASSERT_EQ(netapi::NetSessionDel(u"SERVER1", u"\\\\WS3", u"carol"), 0u);
    w.cmdDisconnect->click();
    EXPECT_EQ(Pane(), "Disconnecting users...\r\nNetSessionDel error 2312 : A session does not exist with that "
                      "computer name.\r\n");
    EXPECT_EQ(Column(*w.lstvwUserSessions, 1), (QStringList{"WS1", "WS2", "WS4"}));
    EXPECT_EQ(w.lstvwUserSessions->SelectedCount(), 0);
    EXPECT_EQ(Commands(), "0000");

    network->AddFault(u"SERVER1", sim::Fault::Status(sim::Call::NetSessionEnum, 5));
    w.cmdRefresh->click();
    // No session: the resources fill asks for the bare "\\" all the same.
    EXPECT_EQ(Pane(), "Refreshing list...\r\nNetSessionEnum error 5 : Access is denied.\r\n"
                      "You must be an administrator or account operator.\r\n"
                      "NetConnectionEnum error 2312 : A session does not exist with that computer name.\r\n\r\n");
    EXPECT_EQ(w.lblConnectedUsers->text(), "") << "not read is not 0";
    EXPECT_EQ(listtext::Enabled({w.Command1, w.Command2, w.cmdDisable}), "000");
}

// Also: Windows gives a session's client as "\\\\10.0.0.5", Samba as
// "10.0.0.5": the session's resources are asked for under one pair of backslashes.
TEST(SessionsWindowCalls, BareQualifierWithoutSessionsABackslashedClientAndACounterPast32767) {
    testing_support::ScriptedNetwork network;
    windowtest::FakeMainForm main;
    main.chosen = "**LOCAL**";
    auto w = std::make_unique<frmUserSessions>(main);
    w->FillFirst();
    auto& provider = network.provider();
    EXPECT_EQ(provider.CallsNamed("NetConnectionEnum").at(0).args,
              (std::vector<netapi::OptString>{u"", u"\\\\"}));
    EXPECT_EQ(listtext::Enabled({w->Command1, w->Command2, w->Command3, w->cmdDisconnect,
                                 w->cmdDisable, w->cmdEnable}),
              "000000");

    constexpr int kUsers = 32768;  // one more than a 16-bit counter holds
    for (int i = 0; i < kUsers; ++i) {
        const std::u16string name = u"u" + text::Number(i);
        netapi::SessionInfo502& session = provider.sessions.records.emplace_back();
        session.cname = i == 0 ? u"\\\\10.0.0.5" : u"WS" + text::Number(i);
        session.username = name;
        provider.users[name].flags = kDefaultFlags | 2;
    }
    main.chosen = "SERVER1";
    w = std::make_unique<frmUserSessions>(main);
    w->FillFirst();
    EXPECT_EQ(provider.CallsNamed("NetConnectionEnum").back().args[1], netapi::OptString(u"\\\\10.0.0.5"));
    w->Command1->click();
    w->cmdEnable->click();
    EXPECT_TRUE(w->Text1->Text().endsWith("\r\n32768 user accounts enabled\r\n"));
    EXPECT_EQ(provider.users[u"u32767"].flags, kDefaultFlags);
    EXPECT_EQ(provider.CallsNamed("NetUserSetInfo").at(0).args[0],
              netapi::OptString(u"\\\\SERVER1"));
    EXPECT_EQ(frmUserSessions::MakeUncName(u"\\SERVER1"), u"\\\\SERVER1");
    EXPECT_EQ(frmUserSessions::MakeUncName(u"\\\\SERVER1"), u"\\\\SERVER1");
}

// The window on a real server's protocol: the scripted server in Samba's and
// in the documents' Windows personality, with the office's data. What else
// differs between the two is tested below the windows.
class SessionsOnServers : public ::testing::TestWithParam<smbtest::Personality> {};

// Without a messenger service, Windows shows the message on the user's
// desktop sessions, which the pane names; Samba has none, and the pane says
// why in words.
TEST_P(SessionsOnServers, SendMessageGoesToTheDesktopOrSaysWhyNot) {
    windowtest::FakeMainForm main;
    smbtest::PersonalityNetwork net{GetParam(), sim::ParseScenario(kOffice, "office")};
    common::PromptsScope prompts;
    smbtest::PersonalityServer& server = net.server();
    server.desktops = {{1, u"Console", u"SERVER1", u"Administrator", 0}, {2, u"RDP-Tcp#0", u"OFFICE", u"alice", 0}};
    frmUserSessions w(main);
    w.FillFirst();
    const bool windows = GetParam() == smbtest::Personality::Windows;
    const QString noMessenger = "This server does not accept messages (current Windows servers and Samba do not "
                                "run the messenger service).";
    w.lstvwUserSessions->DeselectAllRows();
    w.lstvwUserSessions->SetCurrentRow(0);  // alice
    prompts->inputAnswers.push_back("The server restarts at noon");
    w.Command3->click();
    EXPECT_EQ(w.Text1->Text(), windows ? "Message sent to alice in session 2 (RDP-Tcp#0)."
                                       : "Unable to send message to alice.\r\n" + noMessenger);
    if (windows) {
        ASSERT_EQ(server.delivered.size(), 1u);
        EXPECT_EQ(server.delivered[0].text, u"The server restarts at noon");
    }
    w.lstvwUserSessions->SetCurrentRow(1);  // bob has no desktop session
    prompts->inputAnswers.push_back("hello");
    w.Command3->click();
    EXPECT_EQ(w.Text1->Text(), "Unable to send message to bob.\r\n" +
                                   (windows ? "bob has no session on the server's desktop to show it in." : noMessenger));
}

INSTANTIATE_TEST_SUITE_P(Personalities, SessionsOnServers,
                         ::testing::Values(smbtest::Personality::Samba,
                                           smbtest::Personality::Windows),
                         [](const auto& info) { return smbtest::Name(info.param); });

}  // namespace
