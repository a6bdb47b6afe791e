// Naming computers from the main window: the input box, the check of the
// name, the stored list, the refreshed computer list and removing again.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include "GuiTestEnvironment.h"
#include "app/window/SavedServers.h"
#include "app/window/modMain.h"
#include "smb/SmbProvider.h"
#include "support/ScriptedProvider.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Settings.h"

using gui_test::Entries;
using gui_test::Pick;
using Kind = common::ScriptedPrompts::Kind;

namespace {

QString StoredServers() {
    return common::GetSetting("Vantor", "Network", "Servers");
}

class AddComputer : public ::testing::Test {
protected:
    void SetUp() override {
        gui_test::RemoveSettings();
        app::PublishSavedServers();
        window.Load();
        prompts().Clear();
    }
    void TearDown() override {
        gui_test::RemoveSettings();
        app::PublishSavedServers();
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }
    common::ScriptedPrompts& prompts() { return doubles.prompts(); }

    gui_test::Doubles doubles;
    testing_support::ScriptedNetwork net;
    testing_support::ScriptedProvider& provider = net.provider();
    app::frmMain window;
};

TEST_F(AddComputer, ANewComputerIsStoredListedAndChosen) {
    // The button and the list's own menu are the Computers menu, and Ctrl+N on the list adds.
    EXPECT_EQ(window.cmdComputers->menu(), window.mnuComputers);
    EXPECT_EQ(window.cboComputerName->contextMenuPolicy(), Qt::CustomContextMenu);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.cboComputerName->setFocus();
    provider.servers = {netapi::NERR_Success, {{.name = u"ALPHA"}, {.name = u"files.example"}}, 2};
    prompts().inputAnswers = {"  files.example  "};
    QTest::keyClick(window.cboComputerName, Qt::Key_N, Qt::ControlModifier);

    ASSERT_EQ(prompts().asked().size(), 1u);
    EXPECT_EQ(prompts().asked()[0].title, "Add Computer");
    EXPECT_EQ(StoredServers(), "files.example");
    EXPECT_EQ(smb::KnownServers(), std::vector<std::u16string>{u"files.example"});
    // No type was chosen yet: the listing is "All Servers", and the new computer is chosen.
    EXPECT_EQ(window.cboComputerType->currentText(), "All Servers");
    EXPECT_EQ(provider.CallsNamed("NetServerEnum").size(), 1u);
    EXPECT_EQ(Entries(window.cboComputerName), (QStringList{"ALPHA", "files.example"}));
    EXPECT_EQ(app::gComputerName, "files.example");
    EXPECT_EQ(window.Text1->Text(), "Computer information retrieved\r\n");

    // The same computer again, in other letters, is not stored twice.
    prompts().inputAnswers = {"FILES.EXAMPLE"};
    window.mnuAddComputer->trigger();
    EXPECT_EQ(StoredServers(), "files.example");
    prompts().inputAnswers = {"192.0.2.7"};
    window.mnuAddComputer->trigger();
    EXPECT_EQ(StoredServers(), "files.example,192.0.2.7");
    EXPECT_EQ(prompts().unanswered(), 0);
    // Esc still closes the window, as before.
    QTest::keyClick(window.cboComputerName, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(AddComputer, BadNamesAreExplainedAndAnAddedComputerIsAlwaysListed) {
    Pick(window.cboComputerType, "Novell Server");
    provider.servers = {netapi::NERR_Success, {{.name = u"ALPHA"}}, 1};
    provider.calls.clear();
    // A bad name is explained and the box comes back with it; cancelled at
    // last, nothing is stored or listed again.
    prompts().inputAnswers = {"smb://files/share", ""};
    window.mnuAddComputer->trigger();
    ASSERT_EQ(prompts().asked().size(), 3u);
    EXPECT_EQ(prompts().asked()[1].kind, Kind::Message);
    EXPECT_TRUE(prompts().asked()[1].text.contains("\":\"")) << prompts().asked()[1].text.toStdString();
    EXPECT_EQ(prompts().asked()[2].defaultText, "smb://files/share");
    EXPECT_EQ(StoredServers(), "");
    EXPECT_TRUE(provider.CallsNamed("NetServerEnum").empty());

    prompts().inputAnswers = {"quiet"};
    window.mnuAddComputer->trigger();
    EXPECT_EQ(StoredServers(), "quiet");
    // The chosen type is listed again, not replaced; the new computer is in
    // the list whatever the network says of it, and it alone is asked.
    EXPECT_EQ(provider.CallsNamed("NetServerEnum").back().number, 0x80u);
    EXPECT_EQ(Entries(window.cboComputerName), (QStringList{"ALPHA", "quiet"}));
    EXPECT_EQ(window.lblCaption[5]->text(), "2 Computer Names");
    EXPECT_EQ(app::gComputerName, "quiet");
    for (const auto& call : provider.CallsNamed("NetSessionEnum"))
        EXPECT_EQ(call.args[0], std::u16string(u"quiet"));

    // A name that does not resolve is said before anything is stored: No
    // brings the box back with it, Yes adds it all the same.
    provider.fail["NetResolveComputer"] = netapi::WSAHOST_NOT_FOUND;
    prompts().Clear();
    prompts().inputAnswers = {"oldnas", "oldnas"};
    prompts().yesNoAnswers = {false, true};
    window.mnuAddComputer->trigger();
    const auto& asked = prompts().asked();
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[1].kind, Kind::YesNo);
    EXPECT_EQ(asked[1].text,
              "No computer named \"oldnas\" was found (the name does not resolve).\n\nAdd it anyway?");
    EXPECT_FALSE(asked[1].defaultYes);
    EXPECT_EQ(asked[2].defaultText, "oldnas");
    EXPECT_EQ(StoredServers(), "quiet,oldnas");
    EXPECT_EQ(Entries(window.cboComputerName), (QStringList{"ALPHA", "quiet", "oldnas"}));

    // Listed, so it can be removed again.
    prompts().yesNoAnswers = {true};
    window.mnuRemoveComputer->trigger();
    EXPECT_EQ(StoredServers(), "quiet");
    EXPECT_EQ(prompts().unanswered(), 0);
}

TEST_F(AddComputer, RemovingAsksFirstAndOnlyOffersAddedComputers) {
    common::SaveSetting("Vantor", "Network", "Servers", "ALPHA, beta");
    app::PublishSavedServers();
    provider.servers = {netapi::NERR_Success, {{.name = u"LOCALBOX"}, {.name = u"BETA"}}, 2};
    Pick(window.cboComputerType, "All Servers");

    // The first entry is this computer, which was never added.
    emit window.mnuComputers->aboutToShow();
    EXPECT_FALSE(window.mnuRemoveComputer->isEnabled());

    Pick(window.cboComputerName, "BETA");
    emit window.mnuComputers->aboutToShow();
    EXPECT_TRUE(window.mnuRemoveComputer->isEnabled());
    EXPECT_EQ(window.mnuRemoveComputer->text(), "&Remove BETA");

    prompts().yesNoAnswers = {false};
    window.mnuRemoveComputer->trigger();
    EXPECT_EQ(StoredServers(), "ALPHA, beta");  // untouched

    const auto listings = provider.CallsNamed("NetServerEnum").size();
    prompts().yesNoAnswers = {true};
    window.mnuRemoveComputer->trigger();
    ASSERT_EQ(prompts().asked().size(), 2u);
    EXPECT_EQ(prompts().asked()[1].text, "Remove BETA from the computer list?");
    EXPECT_FALSE(prompts().asked()[1].defaultYes);
    EXPECT_EQ(StoredServers(), "ALPHA");
    EXPECT_EQ(smb::KnownServers(), std::vector<std::u16string>{u"ALPHA"});
    EXPECT_EQ(provider.CallsNamed("NetServerEnum").size(), listings + 1);
}

}  // namespace
