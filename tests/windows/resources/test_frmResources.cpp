// The Open Resources window driven through its controls on a simulated server.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include "sim/ScenarioLoader.h"
#include "support/ListText.h"
#include "support/ScriptedPrompts.h"
#include "support/WindowTestSupport.h"
#include "text/Text.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportListModel.h"
#include "windows/common/Settings.h"
#include "windows/resources/frmResources.h"

using resources::frmResources;
using windowtest::OpenFile;

namespace {

std::vector<sim::File> ThreeFiles() {
    return {OpenFile(7, u"user1", u"D:\\DATA\\BUDGET.XLS", 3, 0),
            OpenFile(8, u"user2", u"D:\\DATA\\MEMO.DOC", 1, 1),
            OpenFile(9, u"user1", u"E:\\Reports\\Q4.doc", 4, 10)};
}

sim::Fault Failing(sim::Call call, netapi::DWORD status, std::vector<netapi::DWORD> ids = {}) {
    sim::Fault fault = sim::Fault::Status(call, status);
    fault.ids = std::move(ids);
    return fault;
}

class ResourcesWindowTest : public ::testing::Test {
protected:
    void SetUp() override { common::SaveOption("FindPath", "*.doc"); }

    frmResources& Open() {
        window = std::make_unique<frmResources>(main);
        window->usageLog().SetFileName(folder.filePath("usage.txt"));
        window->usageLog().SetFormats(resources::UsageLog::Formats::UsEnglish());
        window->usageLog().SetClock([this] { return now; });
        window->FillFirst();
        return *window;
    }
    std::vector<QStringList> Rows() const { return listtext::Rows(*window->lstvwResources); }
    QString Pane() const { return window->Text1->Text(); }
    QByteArray Log() const { return windowtest::ReadAll(folder.filePath("usage.txt")); }

    windowtest::FakeMainForm main;
    windowtest::Network network{windowtest::ServerWith(ThreeFiles())};
    common::PromptsScope prompts;
    QTemporaryDir folder;
    QDateTime now{QDate(2026, 12, 5), QTime(9, 30, 15)};
    std::unique_ptr<frmResources> window;
};

TEST_F(ResourcesWindowTest, OpeningRefreshingAndClosingTheWindow) {
    frmResources& w = Open();
    EXPECT_EQ(w.windowTitle(), "Vantor - Open Files on SERVER1");
    EXPECT_EQ(netenum::CurrentForm(), &w);
    EXPECT_EQ(Rows(), (std::vector<QStringList>{
                          {"user1", "Write", "0", "D:\\DATA\\BUDGET.XLS", "7"},
                          {"user2", "Read", "1", "D:\\DATA\\MEMO.DOC", "8"},
                          {"user1", "Create", "10", "E:\\Reports\\Q4.doc", "9"}}));
    EXPECT_EQ(frmResources::PermissionText(8 | 4 | 1), "Execute");
    EXPECT_EQ(frmResources::PermissionText(16 | 32), "Unknown");
    EXPECT_EQ(w.lblOpenResources->text(), "3");
    EXPECT_EQ(w.lblFileLocks->text(), "11");
    EXPECT_EQ(w.lstvwResources->SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(listtext::Enabled({w.Command1, w.Command2, w.Command3, w.cmdCloseResource}), "1111");
    EXPECT_EQ(w.txtFind->text(), "*.doc");
    EXPECT_FALSE(w.Timer1->isActive());

    network->AddFault(u"SERVER1", sim::Fault::Partial(sim::Call::NetFileEnum, 2));
    w.cmdRefresh->click();
    // Part of the list is shown, and said to be part: the status line stays.
    EXPECT_EQ(Pane(), "Refreshing list...\r\nlist incomplete: 2 of 3 files\r\n");
    EXPECT_EQ(Rows().size(), 2u);
    EXPECT_EQ(w.lstvwResources->SelectedRows(), std::vector<int>{0});

    network->ClearFaults();
    network->AddFault(u"SERVER1", sim::Fault::Status(sim::Call::NetFileEnum, 5));
    w.cmdRefresh->click();
    EXPECT_EQ(Pane(), "Refreshing list...\r\nNetFileEnum error 5 : Access is denied.\r\n"
                      "You must be an administrator, server, print, or comm operator.\r\n");
    EXPECT_EQ(w.lblOpenResources->text(), "") << "not read is not 0";
    EXPECT_FALSE(w.Command1->isEnabled());

    main.chosen = "**LOCAL**";  // ADMINPC, with nothing open
    frmResources& local = Open();
    EXPECT_TRUE(local.windowTitle().endsWith("**LOCAL**"));
    EXPECT_EQ(local.lblOpenResources->text() + "/" + local.lblFileLocks->text(), "0/0");
    EXPECT_EQ(listtext::Enabled({local.Command1, local.Command2, local.Command3, local.cmdCloseResource}), "0000");

    // Close refreshes the summary, Escape does not, and both save the find text.
    local.txtFind->setText("never searched");
    local.cmdClose->click();
    EXPECT_EQ(main.fillGeneralCalls, 1);
    EXPECT_EQ(common::GetOption("FindPath"), "never searched");
    EXPECT_EQ(netenum::CurrentForm(), &main);  // never a closed window

    frmResources& again = Open();
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&again));
    again.txtFind->setText("*.xls");
    again.txtSecs->setFocus();
    QTest::keyClick(again.txtSecs, Qt::Key_Escape);
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(main.fillGeneralCalls, 1);
    EXPECT_EQ(common::GetOption("FindPath"), "*.xls");
    EXPECT_EQ(netenum::CurrentForm(), &main);
}

TEST_F(ResourcesWindowTest, FindSortARefreshThatKeepsTheOrderAndClosingTheSelectedRows) {
    frmResources& w = Open();
    w.txtFind->setText("  E:\\REPORTS\\*  ");  // the path is searched
    w.cmdFind->click();
    EXPECT_EQ(w.lstvwResources->SelectedRows(), std::vector<int>{2});
    w.cmdHelp->click();
    EXPECT_EQ(prompts->asked().at(0).title, "Find Path Help");

    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    listtext::ClickHeader(*w.lstvwResources, 3);
    EXPECT_EQ(w.lstvwResources->ColumnText(3), "*Path");
    EXPECT_EQ(Rows()[0][3], "E:\\Reports\\Q4.doc");  // descending first

    w.cmdRefresh->click();
    EXPECT_EQ(w.lstvwResources->ColumnText(3), "Path");
    EXPECT_EQ(Rows()[0][3], "E:\\Reports\\Q4.doc");
    EXPECT_EQ(w.lstvwResources->SelectedRows(), std::vector<int>{0});

    // The sorted row 1 closes its own file, whatever place it had when filled.
    w.cmdCloseResource->click();
    ASSERT_EQ(Rows().size(), 2u);
    for (const QStringList& row : Rows()) EXPECT_NE(row[3], "E:\\Reports\\Q4.doc");

    // Close Files closes the selected rows and names the one that failed.
    network->AddFault(u"SERVER1", Failing(sim::Call::NetFileClose, 5, {8}));
    w.Command1->click();  // Select All
    w.cmdCloseResource->click();
    EXPECT_EQ(Pane(), "Closing files...\r\nError closing file D:\\DATA\\MEMO.DOC : Access is denied.\r\n");
    EXPECT_EQ(Rows(), (std::vector<QStringList>{{"user2", "Read", "1", "D:\\DATA\\MEMO.DOC", "8"}}));
    EXPECT_EQ(listtext::Enabled({w.Command3, w.cmdCloseResource}), "00");

    // A click on a row enables the buttons; de-selected again, nothing is
    // closed and the list is rebuilt.
    common::ReportList& list = *w.lstvwResources;
    const QPoint onRow = list.visualRect(list.model()->index(0, 1)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, onRow);
    EXPECT_TRUE(w.cmdCloseResource->isEnabled() && w.Command3->isEnabled());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, onRow);
    w.cmdCloseResource->click();
    EXPECT_EQ(Pane(), "Files closed\r\n");
    EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(ResourcesWindowTest, SecondsBoxSetsTheTimerAndTheUsageLogFollowsRefreshes) {
    frmResources& w = Open();
    // The seconds box takes digits only.
    w.chkRefresh->click();
    EXPECT_EQ(w.Timer1->interval(), 10000);
    w.txtSecs->clear();  // no number: no ticks, though still enabled
    EXPECT_FALSE(w.Timer1->isActive());
    QTest::keyClicks(w.txtSecs, "a7-0");
    EXPECT_EQ(w.txtSecs->text(), "65");
    EXPECT_TRUE(w.Timer1->isActive() && w.Timer1->interval() == 65000);
    QTest::keyClick(w.txtSecs, Qt::Key_Backspace);
    EXPECT_EQ(w.Timer1->interval(), 6000);
    w.txtSecs->clear();
    QGuiApplication::clipboard()->setText("ab");
    w.txtSecs->paste();  // only a paste gets letters in
    EXPECT_EQ(w.txtSecs->text(), "ab");
    EXPECT_FALSE(w.Timer1Interval() != 0 || w.Timer1->isActive());
    w.txtSecs->setText("10");
    w.chkRefresh->click();
    EXPECT_FALSE(w.Timer1->isActive());

    // What the log says is the log's own test; here, when the window writes it.
    w.lstvwResources->SetSelected(0, true);
    w.cmdCloseResource->click();  // not logged: only logged refreshes take the snapshot
    QDir(folder.path()).mkpath("usage.txt");  // something that cannot be appended to
    w.chkLog->click();
    w.cmdRefresh->click();
    const QString path = QDir::toNativeSeparators(folder.filePath("usage.txt"));
    EXPECT_TRUE(Pane().startsWith("Refreshing list...\r\nError writing usage log " + path + " : "));
    EXPECT_EQ(Pane().count("\r\n"), 2);
    EXPECT_EQ(w.lblOpenResources->text(), "2");  // the list is kept
    EXPECT_EQ(w.lstvwResources->SelectedRows(), std::vector<int>{0});

    QDir(folder.filePath("usage.txt")).removeRecursively();
    w.chkRefresh->click();
    QMetaObject::invokeMethod(w.Timer1, "timeout");  // a tick refreshes like the button
    // The first logged refresh says where the log is; later ones do not.
    EXPECT_EQ(Pane(), "List refreshed\r\nUsage log: " + path + "\r\n");
    EXPECT_TRUE(w.chkLog->toolTip().endsWith(path));
    EXPECT_EQ(Log().count("IN: "), 2);
    const qsizetype first = Log().size();

    // Meanwhile user1's Q4.doc is closed and user2 opens it.
    now = now.addSecs(10);
    network.Replace(windowtest::ServerWith({OpenFile(8, u"user2", u"D:\\DATA\\MEMO.DOC", 1, 1),
                                            OpenFile(11, u"user2", u"E:\\Reports\\Q4.doc", 2, 0)}));
    w.cmdRefresh->click();
    EXPECT_EQ(Pane(), "List refreshed\r\n");
    EXPECT_EQ(Log().mid(first),
              "IN: user2   FOR: Write   LOCKS: 0   E:\\Reports\\Q4.doc   12/05/26   09:30:25 am\r\n"
              "OUT: user1   E:\\Reports\\Q4.doc   12/05/26   09:30:25 am\r\n");

    window.reset();  // a new opening starts with an empty snapshot
    frmResources& again = Open();
    again.chkLog->click();
    const qsizetype second = Log().size();
    again.cmdRefresh->click();
    EXPECT_EQ(Log().mid(second).count("IN: "), 2);
    EXPECT_FALSE(Log().mid(second).contains("TIMESTAMP"));
}

// Names a hostile server sends (tests/scenarios/hostile.json): plain text,
// one line each, in the list, its tooltips and the pane.
TEST_F(ResourcesWindowTest, HostileNamesStayPlainTextOnOneLineEachAndLongCountsShowWhole) {
    network.Replace(sim::ParseScenario(windowtest::ReadAll(VANTOR_HOSTILE_SCENARIO).toStdString(), "hostile.json"));
    main.chosen = "HOSTILE";
    frmResources& w = Open();
    const common::ReportListModel& model = *w.lstvwResources->Model();
    ASSERT_EQ(model.rowCount(), 4);
    bool sawMarkup = false, sawLongPath = false;
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            const QModelIndex at = model.index(row, column);
            const QString shown = at.data(Qt::DisplayRole).toString();
            EXPECT_FALSE(text::NeedsEscape(shown.toStdU16String())) << shown.toStdString();
            // The tooltip reads as exactly the text shown: no tag is taken as markup.
            const QString tip = at.data(Qt::ToolTipRole).toString();
            QTextDocument document;
            document.setHtml(tip);
            EXPECT_EQ(document.toPlainText(), shown);
            EXPECT_FALSE(tip.contains("<img") || tip.contains("<i>")) << tip.toStdString();
            sawMarkup |= shown == "<img src=\"/dev/zero\">";
            sawLongPath |= shown.size() > 4900;
        }
    }
    EXPECT_TRUE(sawMarkup);
    EXPECT_TRUE(sawLongPath);

    // Files whose ids are 2^31 and more close like any other; a failed close
    // names its path on one line of the pane.
    network->AddFault(u"HOSTILE", Failing(sim::Call::NetFileClose, 5, {4}));
    w.Command1->click();
    w.cmdCloseResource->click();
    ASSERT_EQ(w.lstvwResources->RowCount(), 1);
    EXPECT_EQ(w.lstvwResources->Tag(0), "4");
    EXPECT_EQ(Pane(), "Closing files...\r\nError closing file C:\\tab\\there\\u2028next\\u2066iso\\u2069.doc : "
                      "Access is denied.\r\n");

    // Count boxes grow to show every digit.
    std::vector<sim::File> files;
    for (netapi::DWORD id = 1; id <= 12345; ++id)
        files.push_back(OpenFile(id, u"u", u"C:\\f" + text::Number(id), netapi::PERM_FILE_READ, 100000));
    network.Replace(windowtest::ServerWith(std::move(files)));
    main.chosen = "SERVER1";
    Open();
    EXPECT_EQ(window->lblOpenResources->text(), "12345");
    EXPECT_EQ(window->lblFileLocks->text(), "1234500000");
    for (QLabel* box : {window->lblOpenResources, window->lblFileLocks})
        EXPECT_GE(box->width(), box->sizeHint().width()) << box->text().toStdString();
}

}  // namespace
