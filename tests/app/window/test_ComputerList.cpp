// Listing computers by type: the mask, the count label, empty names, failures
// and the length of the drop-down list.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QLabel>

#include "GuiTestEnvironment.h"
#include "app/window/modMain.h"
#include "support/ScriptedProvider.h"
#include "text/Text.h"
#include "windows/common/MessagePane.h"

using gui_test::Entries;
using gui_test::Pick;
using netapi::ServerInfo101;

namespace {

class ComputerList : public ::testing::Test {
protected:
    void SetUp() override {
        gui_test::RemoveSettings();
        window.Load();
    }
    void TearDown() override { EXPECT_EQ(netapi::LiveBufferCount(), 0u); }
    void List(const QString& type, std::vector<ServerInfo101> servers, netapi::DWORD total) {
        provider.servers = {netapi::NERR_Success, std::move(servers), total};
        Pick(window.cboComputerType, type);
    }

    gui_test::Doubles doubles;
    testing_support::ScriptedNetwork net;
    testing_support::ScriptedProvider& provider = net.provider();
    app::frmMain window;
};

TEST_F(ComputerList, NamesInOrderCountingAnEmptyOneAndTheFirstIsChosen) {
    List("All Servers", {{.name = u"ALPHA"}, {.name = u""}, {.name = u"BETA"}}, 3);
    EXPECT_EQ(provider.CallsNamed("NetServerEnum").at(0).number, 0xFFFFFFFFu);
    EXPECT_EQ(Entries(window.cboComputerName), (QStringList{"ALPHA", "BETA"}));
    EXPECT_EQ(window.lblCaption[5]->text(), "3 Computer Names");
    EXPECT_EQ(app::gComputerName, "ALPHA");
    EXPECT_EQ(window.Text1->Text(), "Computer information retrieved\r\n");

    // A total beyond the records read counts, but only what came is read.
    List("Novell Server", {{.name = u"GAMMA"}}, 4);
    EXPECT_EQ(provider.CallsNamed("NetServerEnum").at(1).number, 0x80u);
    EXPECT_EQ(Entries(window.cboComputerName), QStringList{"GAMMA"});
    EXPECT_EQ(window.lblCaption[5]->text(), "4 Computer Names");
}

TEST_F(ComputerList, ATypeWithNoComputersKeepsTheChosenComputerAndSummary) {
    List("All Servers", {{.name = u"ALPHA"}}, 1);
    provider.calls.clear();
    List("Novell Server", {}, 0);
    EXPECT_EQ(window.cboComputerName->count(), 0);
    EXPECT_EQ(window.lblCaption[5]->text(), "0 Computer Names");
    EXPECT_EQ(app::gComputerName, "ALPHA");
    EXPECT_TRUE(provider.CallsNamed("NetSessionEnum").empty());  // no refill
}

TEST_F(ComputerList, AFailureShowsTheErrorBoxAndKeepsTheLabel) {
    List("All Servers", {{.name = u"ALPHA"}, {.name = u"BETA"}}, 2);
    provider.bufferOnFailure = true;
    for (const auto code : {netapi::ERROR_BAD_NETPATH, netapi::ERROR_MORE_DATA}) {
        provider.fail["NetServerEnum"] = code;
        Pick(window.cboComputerType, "LAN Manager Server");
        EXPECT_EQ(window.cboComputerName->count(), 0);
        EXPECT_EQ(window.lblCaption[5]->text(), "2 Computer Names");
        EXPECT_EQ(app::gComputerName, "ALPHA");
    }
    const auto& asked = doubles.prompts().asked();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "Error: The network path was not found.");
    EXPECT_EQ(asked[1].text, "Error: More data is available.");
    EXPECT_EQ(asked[0].title, "Vantor");
    EXPECT_EQ(asked[0].icon, common::Prompts::Icon::Exclamation);
}

TEST_F(ComputerList, TheNameListDropsDownToJustAboveTheWindowsBottom) {
    std::vector<ServerInfo101> many;
    for (int i = 0; i < 40; ++i) many.push_back({.name = u"SERVER" + text::Number(i)});
    List("All Servers", many, 40);
    window.cboComputerName->showPopup();
    const QRect list = window.cboComputerName->view()->window()->geometry();
    const int windowBottom = window.mapToGlobal(QPoint(0, window.height())).y();
    const int rowHeight = window.cboComputerName->view()->sizeHintForRow(0);
    EXPECT_GE(list.top(), window.cboComputerName->mapToGlobal(QPoint(0, 0)).y());
    EXPECT_LE(list.bottom(), windowBottom - 5);
    EXPECT_GE(list.bottom(), windowBottom - 5 - rowHeight - 4);
    window.cboComputerName->hidePopup();
}

}  // namespace
