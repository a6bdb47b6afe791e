// The main window driven through its controls: start-up, restoring the saved
// choice, choosing computers, the description, closing, F1, the focus refill,
// and settings that cannot be read.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QWheelEvent>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include "GuiTestEnvironment.h"
#include "about/Help.h"
#include "app/window/APIStuff.h"
#include "app/window/modMain.h"
#include "netenum/MessageTarget.h"
#include "support/ScriptedProvider.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Settings.h"
#include "windows/common/WaitCursor.h"

using app::frmMain;
using app::gComputerName;
using gui_test::Entries;
using gui_test::Pick;

namespace {

constexpr std::string_view kOffice = R"({"computers": [
  {"name": "HOME", "local": true, "type": ["workstation", "nt"], "comment": "Local box",
   "sessions": [{"client": "C1", "user": "u1"}],
   "files": [{"id": 1, "path": "C:\\a.txt", "user": "u1", "locks": 2},
             {"id": 2, "path": "\\PIPE\\srvsvc", "user": "u1"}]},
  {"name": "SRV1", "type": ["server", "nt"], "comment": "Server one",
   "sessions": [{"client": "C2", "user": "u2"}, {"client": "C3", "user": "u3"}],
   "files": [{"id": 7, "path": "D:\\x.doc", "user": "u2", "locks": 1},
             {"id": 8, "path": "D:\\y.doc", "user": "u3"}, {"id": 9, "path": "D:\\z", "user": "u3"}]},
  {"name": "SRV2", "type": ["server"], "comment": "Denied",
   "faults": [{"call": "NetFileEnum", "status": 5}]},
  {"name": "GONE", "type": ["server"], "unreachable": {"delay_ms": 5000}}]})";

const QString kWelcome = "Welcome to Vantor!\r\n\r\nPress the F1 key for help.\r\n";

QString Summary(const frmMain& w) {
    return QStringList{w.lblSessions->text(), w.lblFileLocks->text(), w.lblOpenFiles->text(),
                       w.lblOpenNamedPipes->text()}
        .join('/');
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { gui_test::RemoveSettings(); }
    void TearDown() override { EXPECT_EQ(netapi::LiveBufferCount(), 0u); }
    gui_test::Doubles doubles;
};

TEST_F(MainWindow, FirstRunShowsTheLocalSummaryAndOnlyTheWelcomeAndF1ShowsTheHelp) {
    gui_test::InstallScenario(kOffice);
    {
        frmMain w;
        w.Load();
        EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ(w.cboComputerType->currentIndex(), -1);
        EXPECT_EQ(Entries(w.cboComputerName), QStringList{"**LOCAL**"});
        EXPECT_EQ(gComputerName, "**LOCAL**");
        EXPECT_EQ(w.RemoteServer(), "");
        EXPECT_EQ(Summary(w), "1/2/2/1");
        EXPECT_EQ(w.txtComputerDesc->text(), "Local box");
        EXPECT_EQ(w.Text1->Text(), kWelcome);
        const QString user = QString::fromStdU16String(app::GetLocalUserName().value_or(u"?"));
        EXPECT_EQ(w.StatusBar1->currentMessage(), "Machine: HOME   User: " + user.toUpper());
        EXPECT_EQ(netenum::CurrentForm(), &w);
        EXPECT_TRUE(doubles.prompts().asked().empty());

        // F1 shows the help in a window of its own, only without Shift, Ctrl or Alt.
        // A help file that cannot be shown is the About box's test.
        QTemporaryDir folder;
        app::gAppPath = folder.path() + "/";
        QFile help(folder.filePath("faq.fil"));
        ASSERT_TRUE(help.open(QIODevice::WriteOnly));
        help.write("Vantor <b>help</b>\n  Add Computer...\n");
        help.close();
        for (const auto modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
            QTest::keyClick(w.txtComputerDesc, Qt::Key_F1, modifier);
        EXPECT_EQ(about::OpenHelpWindow(), nullptr);
        QTest::keyClick(w.cboComputerName, Qt::Key_F1);
        about::HelpWindow* shown = about::OpenHelpWindow();
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->isVisible());
        EXPECT_EQ(shown->txtHelp->toPlainText(), "Vantor <b>help</b>\n  Add Computer...\n");
        // Asked again, the one window comes forward; the main window stays usable.
        QTest::keyClick(w.cboComputerName, Qt::Key_F1);
        EXPECT_EQ(about::OpenHelpWindow(), shown);
        EXPECT_FALSE(shown->isModal());
        EXPECT_TRUE(doubles.desktop().opened.empty());
        shown->cmdClose->click();
        QTRY_VERIFY(about::OpenHelpWindow() == nullptr);
    }
    // A window that is gone is never the message target.
    EXPECT_EQ(netenum::CurrentForm(), nullptr);
}

TEST_F(MainWindow, EscOrExitSavesTheChoiceTheNextStartRestoresItAndChoosingReportsFailures) {
    gui_test::InstallScenario(kOffice);
    for (const bool byEscape : {true, false}) {
        gui_test::RemoveSettings();
        {
            frmMain w;
            w.Load();
            Pick(w.cboComputerType, "All Servers");
            Pick(w.cboComputerName, "SRV1");
            byEscape ? QTest::keyClick(w.Text1, Qt::Key_Escape) : w.cmdClose->click();
            EXPECT_FALSE(w.isVisible());
            EXPECT_EQ(w.tray(), nullptr);
        }
        EXPECT_EQ(common::GetOption("Type") + "/" + common::GetOption("Computer"), "All Servers/SRV1");
        frmMain w;
        w.Load();
        EXPECT_EQ(Entries(w.cboComputerName), (QStringList{"HOME", "SRV1", "SRV2", "GONE"}));
        EXPECT_EQ(gComputerName, "SRV1");
        EXPECT_EQ(Summary(w), "2/1/3/0");
        EXPECT_EQ(w.Text1->Text(), kWelcome);
    }
    // A computer that fails at start-up must not look like an idle one.
    gui_test::WriteSettings("All Servers", "SRV2");
    {
        frmMain w;
        w.Load();
        EXPECT_TRUE(w.Text1->Text().startsWith(kWelcome + "NetFileEnum error 5 : Access is denied.\r\n"))
            << w.Text1->Text().toStdString();
    }
    gui_test::WriteSettings("All Servers", "RETIRED");
    frmMain w;
    w.Load();
    // The listing during the load selected its first entry without choosing it.
    EXPECT_EQ(w.cboComputerName->currentText(), "HOME");
    EXPECT_EQ(gComputerName, "**LOCAL**");

    // Choosing a computer reports success or leaves the failure lines.
    Pick(w.cboComputerType, "All Servers");
    EXPECT_EQ(gComputerName, "HOME");  // the first entry, chosen now that loading is over
    // The wheel over a closed list chooses nothing.
    const int type = w.cboComputerType->currentIndex();
    for (QComboBox* combo : {w.cboComputerName, w.cboComputerType}) {
        for (const int delta : {-120, 120}) {
            const QPointF at(combo->width() / 2.0, combo->height() / 2.0);
            QWheelEvent wheel(at, combo->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(combo, &wheel);
        }
    }
    EXPECT_EQ(w.cboComputerType->currentIndex(), type);
    EXPECT_EQ(w.cboComputerName->currentText(), "HOME");
    EXPECT_EQ(gComputerName, "HOME");

    Pick(w.cboComputerName, "SRV2");
    EXPECT_EQ(w.Text1->Text(),
              "Getting computer information...\r\n"
              "NetFileEnum error 5 : Access is denied.\r\n"
              "You must be an administrator or account operator.\r\n");
    // The files were not read: their counts are unknown, not 0.
    EXPECT_EQ(Summary(w), "0///");

    Pick(w.cboComputerName, "GONE");
    EXPECT_TRUE(w.Text1->Text().startsWith("Getting computer information...\r\nNetSessionEnum error 53 : "));
    EXPECT_TRUE(w.Text1->Text().endsWith("NetServerGetInfo error 53 : The network path was not found.\r\n"));
    EXPECT_EQ(w.txtComputerDesc->text(), "");
    EXPECT_EQ(w.Text1->textCursor().position(), w.Text1->document()->characterCount() - 1);

    w.Command1->click();
    EXPECT_EQ(w.Text1->Text(), "");
}

TEST_F(MainWindow, TheNoticeFollowsTheWelcomeTheDescriptionIsWrittenOnlyWhenChangedAndTheFocusRefills) {
    testing_support::ScriptedNetwork net;
    auto& p = net.provider();
    p.fail["NetServerGetInfo"] = netapi::ERROR_ACCESS_DENIED;
    p.startupNotice = u"SMB logon: the auth file /tmp/a\nb is not a regular file";
    p.sessions.total = 0xFFFFFFF0u;  // a claim past 2^31
    p.files.records = {{1, 1, 0xFFFFFFFFu, u"C:\\a", u"u"}, {2, 1, 0xFFFFFFFFu, u"C:\\b", u"u"}};
    frmMain w;
    w.Load();
    // The log-on notice follows the welcome; server counts stay positive and shown whole.
    EXPECT_TRUE(w.Text1->Text().startsWith(kWelcome + "SMB logon: the auth file /tmp/a\\nb is not a regular file\r\n"))
        << w.Text1->Text().toStdString();
    EXPECT_EQ(w.lblSessions->text(), "2147483647");
    EXPECT_EQ(w.lblFileLocks->text(), "2147483647");
    for (QLabel* box : {w.lblSessions, w.lblFileLocks, w.lblOpenFiles, w.lblOpenNamedPipes})
        EXPECT_GE(box->width(), box->sizeHint().width());
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    // Only a description read whole from the computer may be written back.
    auto leaveTheBox = [&](const char* typed) {
        w.txtComputerDesc->setFocus(Qt::TabFocusReason);
        w.txtComputerDesc->selectAll();
        QTest::keyClicks(w.txtComputerDesc, typed);
        QTest::mouseClick(w.cmdShares, Qt::LeftButton);  // a picture button takes the focus
        w.cboComputerName->setFocus(Qt::TabFocusReason);
    };
    EXPECT_TRUE(w.txtComputerDesc->isReadOnly());
    leaveTheBox("x");
    EXPECT_TRUE(p.CallsNamed("NetServerSetInfo").empty());  // the unread comment is not erased
    p.fail.clear();
    p.serverInfo.comment = std::u16string(w.txtComputerDesc->maxLength() + 1, u'c');
    w.FillGeneral();
    EXPECT_TRUE(w.txtComputerDesc->isReadOnly()) << "too long for the box";

    p.serverInfo.comment = u"Old description";
    w.FillGeneral();
    EXPECT_FALSE(w.txtComputerDesc->isReadOnly());
    leaveTheBox("");
    EXPECT_TRUE(p.CallsNamed("NetServerSetInfo").empty());  // passing through writes nothing

    p.fail["NetServerSetInfo"] = netapi::ERROR_ACCESS_DENIED;
    leaveTheBox("New description");
    EXPECT_EQ(p.CallsNamed("NetServerSetInfo").at(0).args[1], netapi::OptString(u"New description"));
    EXPECT_EQ(w.txtComputerDesc->text(), "Old description");
    EXPECT_TRUE(w.Text1->Text().endsWith("NetServerSetInfo error 5 : Access is denied.\r\n"));
    // Shown again from the computer: leaving the box once more writes nothing.
    leaveTheBox("");
    EXPECT_EQ(p.CallsNamed("NetServerSetInfo").size(), 1u);

    // The window getting the focus itself refills the summary.
    p.sessions = {netapi::NERR_Success, {{}, {}, {}}, 3};
    w.setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(w.lblSessions->text(), "3");
    // A refill that throws half-way is skipped, and the hourglass goes with it.
    p.onCall = [](const std::string& name) {
        if (name == "NetFileEnum") throw std::runtime_error("thrown by the test");
    };
    w.clearFocus();
    w.setFocus(Qt::OtherFocusReason);
    EXPECT_FALSE(common::IsWaitCursorShown());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Settings that cannot be read fall back to the defaults: the window starts as
// on a first run and closes without harm.
void WriteRaw(const QByteArray& bytes) {
    gui_test::RemoveSettings();
    QDir().mkpath(QFileInfo(gui_test::SettingsFile()).path());
    QFile file(gui_test::SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void ExpectFirstRunAndCloseCleanly() {
    testing_support::ScriptedNetwork net;
    app::frmMain w;
    w.Load();
    EXPECT_EQ(w.cboComputerType->currentIndex(), -1);
    EXPECT_EQ(w.cboComputerName->currentText(), "**LOCAL**");
    w.close();  // saves
}

TEST(Settings, TextsRoundTripAndDamagedOrUnreachableFilesGiveDefaults) {
    gui_test::Doubles doubles;
    gui_test::RemoveSettings();
    EXPECT_EQ(common::GetSetting("Vantor", "Options", "FindPath", "fallback"), "fallback");
    for (const QString& value : {QString("a, b"), QString("  spaced  "), QString("Zoë\\share")}) {
        common::SaveOption("FindPath", value);
        EXPECT_EQ(common::GetOption("FindPath"), value);
    }

    WriteRaw(QByteArray("\xff\xfe\x00\x01[Opt\x00ions\nType\x00=All Servers\n\x7f\x80=\"x\n", 34));
    ExpectFirstRunAndCloseCleanly();
    EXPECT_EQ(common::GetOption("Computer"), "**LOCAL**");  // written anew, readable again

    WriteRaw("[Options]\nType=@Variant(\\0\\0\\0\\x7f\\0\\0)\nComputer=@ByteArray(SRV1)\n");
    EXPECT_EQ(common::GetOption("Type"), "");  // not text
    ExpectFirstRunAndCloseCleanly();

    // The folder's name taken by a file, then the file's by a folder.
    gui_test::RemoveSettings();
    const QString folder = QFileInfo(gui_test::SettingsFile()).path();
    ASSERT_TRUE(QFile(folder).open(QIODevice::WriteOnly));
    ExpectFirstRunAndCloseCleanly();
    QFile::remove(folder);
    ASSERT_TRUE(QDir().mkpath(gui_test::SettingsFile()));
    ExpectFirstRunAndCloseCleanly();
    EXPECT_TRUE(QFileInfo(gui_test::SettingsFile()).isDir());
    gui_test::RemoveSettings();
}

}  // namespace
