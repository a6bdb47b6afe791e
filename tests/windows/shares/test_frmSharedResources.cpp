// The Shared Resources window driven through its controls on a simulated server
// (its lists sort on a header click as in the other tool windows, tried there).
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "sim/ScenarioLoader.h"
#include "support/ListText.h"
#include "support/WindowTestSupport.h"
#include "netenum/colFileEnum.h"
#include "netenum/netapi.h"
#include "windows/common/MessagePane.h"
#include "windows/shares/frmSharedResources.h"

using listtext::Column;

namespace {

// alice (WS1) has files on DATA and DOCS, bob (WS2) on DATA, carol (WS3) only
// talks to IPC$; EMPTY is used by nobody.
constexpr const char* kOffice = R"({ "computers": [
  { "name": "ADMINPC", "local": true },
  { "name": "SERVER1",
    "shares": [ { "name": "DATA", "path": "D:\\Data" }, { "name": "DOCS", "path": "D:\\Docs" },
                { "name": "EMPTY", "path": "E:\\Empty" }, { "name": "IPC$" } ],
    "sessions": [ { "client": "WS1", "user": "alice", "time": 3725 },
                  { "client": "WS2", "user": "bob", "time": 59 },
                  { "client": "WS3", "user": "carol" } ],
    "files": [ { "id": 1, "path": "D:\\Data\\a.xls", "user": "alice" },
               { "id": 2, "path": "D:\\Docs\\b.doc", "user": "alice" },
               { "id": 3, "path": "D:\\Data\\c.txt", "user": "bob" } ] } ] })";

class SharesWindowTest : public ::testing::Test {
protected:
    SharesWindowTest() { w.FillFirst(); }

    void ClickShare(const QString& name) {
        emit w.lstvwShares->ItemClick(int(Column(*w.lstvwShares, 0).indexOf(name)));
    }
    // Select All, De-select All, Send Message, Disconnect.
    QString Commands() const {
        return listtext::Enabled({w.Command1, w.Command2, w.Command3, w.cmdDisconnect});
    }
    QString Pane() const { return w.Text1->Text(); }
    // Connections per share; IPC$ (the last) counts the sessions.
    QStringList Uses() const { return Column(*w.lstvwShares, 1); }

    windowtest::FakeMainForm main;
    windowtest::Network network{sim::ParseScenario(kOffice, "office")};
    shares::frmSharedResources w{main};
};

TEST_F(SharesWindowTest, OpeningClickingDisconnectingAndEsc) {
    EXPECT_EQ(listtext::Row(*w.lstvwShares, 0), (QStringList{"DATA", "2", "D:\\Data", ""}));
    EXPECT_EQ(Uses(), (QStringList{"2", "1", "0", "3"}));
    EXPECT_EQ(w.lstvwShares->SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(w.lstvwConnectedUsers->RowCount(), 0);
    EXPECT_EQ(Commands(), "0000");

    ClickShare("DATA");
    EXPECT_EQ(listtext::Row(*w.lstvwConnectedUsers, 0),
              (QStringList{"alice", "01:02:05", "Yes", "WS1"}));
    EXPECT_EQ(w.lblConnectedUsers->text(), "2");
    EXPECT_EQ(Commands(), "1100");
    emit w.lstvwConnectedUsers->ItemClick(1);
    EXPECT_EQ(Commands(), "1111");

    ClickShare("IPC$");  // a pipe share: its connections are not "In Use"
    EXPECT_EQ(Column(*w.lstvwConnectedUsers, 2), (QStringList{"No", "No", "No"}));
    EXPECT_EQ(Commands(), "1100");
    ClickShare("EMPTY");
    EXPECT_EQ(w.lstvwConnectedUsers->RowCount(), 0);
    EXPECT_EQ(w.lblConnectedUsers->text(), "0");
    EXPECT_EQ(Commands(), "0000");
    EXPECT_EQ(Pane(), "");  // a share click writes no status of its own

    // Disconnect ends whole sessions and reports the user who had gone.
    ClickShare("DATA");
    w.Command1->click();
    ASSERT_EQ(netapi::NetSessionDel(u"SERVER1", u"\\\\WS2", u"bob"), 0u);  // bob leaves first
    w.cmdDisconnect->click();
    EXPECT_EQ(Pane(), "Disconnecting users...\r\nNetSessionDel error 2312 : A session does not exist with that "
                      "computer name.\r\n");
    // alice's whole session went: her DOCS connection and file too.
    EXPECT_EQ(Uses(), (QStringList{"0", "0", "0", "1"}));
    netenum::colFileEnum files;
    files.Init(u"SERVER1");
    EXPECT_EQ(files.Count(), 0u);
    EXPECT_EQ(w.lstvwConnectedUsers->RowCount(), 0);
    EXPECT_EQ(Commands(), "0000");

    ClickShare("IPC$");
    emit w.lstvwConnectedUsers->ItemClick(0);
    w.lstvwConnectedUsers->SetSelected(0, true);
    w.cmdDisconnect->click();
    EXPECT_EQ(Pane(), "Users disconnected\r\n");
    EXPECT_EQ(Uses().last(), "0");

    // Esc closes like Close.
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(w.lstvwShares, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(main.fillGeneralCalls, 1);
    EXPECT_EQ(netenum::CurrentForm(), &main);
}

TEST_F(SharesWindowTest, StatusLinesGiveWayToFailureLines) {
    network->AddFault(u"SERVER1", sim::Fault::Status(sim::Call::NetConnectionEnum, 5));
    ClickShare("DATA");
    EXPECT_EQ(Pane(), "NetConnectionEnum error 5 : Access is denied.\r\n"
                      "You must be an administrator, server, print, or comm operator.\r\n");
    EXPECT_EQ(w.lblConnectedUsers->text(), "") << "not read is not 0";
    w.cmdRefresh->click();
    EXPECT_EQ(Pane(), "List refreshed\r\n");
    EXPECT_EQ(w.lblConnectedUsers->text(), "0") << "no share chosen: its users list is empty";
    EXPECT_EQ(w.lstvwShares->SelectedRows(), std::vector<int>{0});

    // Disconnect's session list only names the server, yet its failure keeps
    // "Users disconnected" away although the deletion works.
    network->ClearFaults();
    ClickShare("DOCS");
    w.Command1->click();
    network->AddFault(u"SERVER1", sim::Fault::Status(sim::Call::NetSessionEnum, 5));
    w.cmdDisconnect->click();
    EXPECT_EQ(Pane(), "Disconnecting users...\r\nNetSessionEnum error 5 : Access is denied.\r\n"
                      "You must be an administrator or account operator.\r\n");
    EXPECT_EQ(Uses(), (QStringList{"1", "0", "0", "2"}));
    w.Command4->click();
    EXPECT_EQ(Pane(), "");
}

}  // namespace
