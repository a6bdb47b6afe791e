// What a new administrator meets in the first hour, with a scripted network:
// windows on screen before any wait, Esc, log-on commands, uncut captions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <thread>

#include "GuiTestEnvironment.h"
#include "app/window/modMain.h"
#include "logon/CredentialLookup.h"
#include "netenum/CallControl.h"
#include "support/ScriptedProvider.h"
#include "windows/common/CallWait.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "windows/resources/frmResources.h"
#include "windows/sessions/frmUserSessions.h"
#include "windows/shares/frmSharedResources.h"

using gui_test::Entries;
using gui_test::Pick;

namespace {

// Knows nobody, and records whether asking is held.
class HoldRecorder final : public logon::CredentialLookup {
public:
    std::optional<logon::Account> Known(const std::string&) override { return std::nullopt; }
    std::optional<logon::Account> Ask(const std::string&, std::uint32_t, int) override {
        return std::nullopt;
    }
    void Accepted(const std::string&, const logon::Account&) override {}
    void Refused(const std::string&) override {}
    void HoldAsking(bool on) override { held = on; }
    bool held = false;
};

class FirstHour : public ::testing::Test {
protected:
    void SetUp() override {
        gui_test::RemoveSettings();
        const netapi::DWORD server = netapi::SV_TYPE_SERVER;
        provider.servers = {netapi::NERR_Success, {{.name = u"SRV", .type = server}, {.name = u"OTHER", .type = server}}, 2};
    }
    void TearDown() override {
        netapi::SetCallRunner(nullptr);
        provider.onCall = nullptr;
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }
    QString Pane() const { return main.Text1->Text(); }
    // Esc from inside a call in flight, as the keyboard would give it.
    void PressEscDuringTheCall() {
        netapi::Interact([this] {
            QWidget* target = QApplication::activeModalWidget();
            QCoreApplication::postEvent(target != nullptr ? target : &main,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        });
        for (int i = 0; i < 1000 && !netapi::CurrentCall()->abandoned.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    gui_test::Doubles doubles;
    testing_support::ScriptedNetwork net;
    testing_support::ScriptedProvider& provider = net.provider();
    app::frmMain main{{gui_test::Factory<resources::frmResources>(), gui_test::Factory<shares::frmSharedResources>(),
                       gui_test::Factory<sessions::frmUserSessions>()}};
    common::WaitingCallRunner runner;
};

TEST_F(FirstHour, WindowsAreOnScreenBeforeTheirFillAndEscGivesUpTheWaitNotTheWindowOrTheList) {
    main.Load();
    Pick(main.cboComputerType, "All Servers");
    netapi::SetCallRunner(&runner);
    // Esc while computers are listed leaves the type, the list and its label.
    provider.onCall = [&](const std::string& name) {
        if (name == "NetServerEnum") PressEscDuringTheCall();
    };
    Pick(main.cboComputerType, "LAN Manager Server");
    EXPECT_EQ(main.cboComputerType->currentText(), "All Servers");
    EXPECT_EQ(Entries(main.cboComputerName), (QStringList{"SRV", "OTHER"}));
    EXPECT_EQ(main.lblCaption[5]->text(), "2 Computer Names");
    EXPECT_EQ(app::gComputerName, "SRV");
    EXPECT_EQ(Pane(), "Computer information retrieved\r\nCancelled\r\n");
    EXPECT_TRUE(doubles.prompts().asked().empty()) << "no error box";

    // What is on screen when each window's first call goes out: the tool window, the main window.
    std::map<std::string, std::pair<bool, bool>> seen;
    provider.onCall = [&](const std::string& name) {
        netapi::Interact([&] {
            const QWidget* tool = QApplication::activeModalWidget();
            if (tool != nullptr && !seen.count(name)) seen[name] = {tool->isVisible(), main.isVisible()};
        });
        if (name == "NetFileEnum") PressEscDuringTheCall();
    };
    QString paneAfterEsc;
    bool openAfterEsc = false;
    for (QToolButton* button : {main.cmdInUse, main.cmdShares, main.cmdUsers}) {
        // Runs inside the tool window's modal event loop.
        QMetaObject::invokeMethod(qApp, [&] {
            auto* tool = qobject_cast<common::ToolWindowBase*>(QApplication::activeModalWidget());
            ASSERT_NE(tool, nullptr);
            tool->FillFirst();  // runs now if the queued fill has not yet
            if (button == main.cmdInUse) {
                paneAfterEsc = tool->Text1->Text();
                openAfterEsc = tool->isVisible();
            }
            tool->close();
        }, Qt::QueuedConnection);
        button->click();
    }
    EXPECT_EQ(seen["NetFileEnum"], std::make_pair(true, false)) << "In Use hides the main window";
    EXPECT_EQ(seen["NetShareEnum"], std::make_pair(true, true));
    EXPECT_EQ(seen["NetSessionEnum"], std::make_pair(true, true));
    EXPECT_EQ(paneAfterEsc, "Reading list...\r\nCancelled\r\n");
    EXPECT_TRUE(openAfterEsc);
    EXPECT_TRUE(main.isVisible());
}

// The main window is up before its first summary, which asks nobody to log on.
TEST_F(FirstHour, TheFirstSummaryAsksNobodyNoColumnIsCutAndLogOnActsOnTheChosenComputer) {
    auto lookup = std::make_shared<HoldRecorder>();
    logon::SetLookup(lookup);
    std::vector<std::pair<bool, bool>> atSummary;  // shown, asking held
    provider.onCall = [&](const std::string& name) {
        if (name == "NetSessionEnum") atSummary.emplace_back(main.isVisible(), lookup->held);
    };
    main.Load();
    Pick(main.cboComputerName, "**LOCAL**");  // chosen now: asking is allowed
    logon::SetLookup(nullptr);
    provider.onCall = nullptr;
    EXPECT_EQ(atSummary, (std::vector<std::pair<bool, bool>>{{true, true}, {true, false}}));

    Pick(main.cboComputerType, "All Servers");
    provider.sessions.records.resize(1);
    provider.sessions.records[0].username = u"alice";
    sessions::frmUserSessions window(main);
    window.FillFirst();
    for (common::ReportList* list : {window.lstvwUserSessions, window.lstvwResources}) {
        int total = 0;
        for (int c = 0; c < list->ColumnCount(); ++c) {
            EXPECT_GE(list->ColumnWidth(c), list->CaptionWidth(c)) << list->ColumnText(c).toStdString();
            total += list->ColumnWidth(c);
        }
        EXPECT_LE(total, list->width()) << "columns that fitted still fit";
    }
    const int opens = 2;
    emit window.lstvwUserSessions->ColumnClick(opens);
    EXPECT_EQ(window.lstvwUserSessions->ColumnText(opens), "*Opens");
    EXPECT_GE(window.lstvwUserSessions->ColumnWidth(opens), window.lstvwUserSessions->CaptionWidth(opens));

    emit main.mnuComputers->aboutToShow();
    EXPECT_FALSE(main.mnuLogOnAs->isEnabled()) << "a network without log-ons";
    provider.logsOn = true;
    emit main.mnuComputers->aboutToShow();
    EXPECT_TRUE(main.mnuLogOnAs->isEnabled());
    EXPECT_EQ(main.mnuLogOnAs->text(), "Log On to SRV &As...");

    provider.calls.clear();
    main.mnuLogOnAs->trigger();
    ASSERT_EQ(provider.CallsNamed("NetLogOnAs").size(), 1u);
    EXPECT_EQ(provider.CallsNamed("NetLogOnAs")[0].args[0], std::u16string(u"SRV"));
    EXPECT_EQ(provider.CallsNamed("NetSessionEnum").size(), 1u) << "the summary as the new account sees it";
    provider.fail["NetLogOnAs"] = netapi::ERROR_LOGON_FAILURE;
    main.mnuLogOnAs->trigger();
    EXPECT_EQ(Pane(), "Logging on to SRV...\r\nLog On As error 1326 : The user name or password is incorrect.\r\n");

    main.mnuForgetLogOn->trigger();
    ASSERT_EQ(provider.CallsNamed("NetForgetLogOn").size(), 1u);
    EXPECT_EQ(provider.CallsNamed("NetForgetLogOn")[0].args[0], std::u16string(u"SRV"));
    EXPECT_TRUE(Pane().endsWith("The log-on to SRV is forgotten, here and in the keyring.\r\n"));
}

}  // namespace
