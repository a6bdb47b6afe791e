#include <gtest/gtest.h>

#include <QPushButton>
#include <memory>

#include "support/ListText.h"
#include "windows/common/ListCommands.h"
#include "windows/common/ReportList.h"
#include "support/ScriptedPrompts.h"

using common::ListCommands;
using common::ReportList;

namespace {

class ListCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Fill({{"bob", "Write", "10", "D:\\Data\\Memo.doc"},
              {"amy", "Read", "9", "D:\\DATA\\REPORT.DOC"},
              {"carl", "Read", "0", "E:\\x.xls"}});
    }

    void Fill(const std::vector<QStringList>& rows) {
        ReportList::Rebuild fill(list);
        for (const char* header : {"Opened By", "For", "Locks", "Path"}) fill.AddColumn(header, 0.2);
        for (const QStringList& row : rows) fill.AddRow(row);
    }
    QStringList Headers() const { return listtext::Headers(list); }
    QStringList Users() const { return listtext::Column(list, 0); }
    int Find(const QString& text) { return commands.Find(nullptr, text, ListCommands::FindPath()); }

    ReportList list;
    QPushButton send, close;
    ListCommands commands{&list, {&send, &close}};
    common::PromptsScope prompts;
};

TEST_F(ListCommandsTest, HeaderClicksFlipTheListsOrderAndMoveTheMark) {
    ListCommands::ColumnClick(list, 0);  // the first click sorts descending
    EXPECT_EQ(Users(), QStringList({"carl", "bob", "amy"}));
    EXPECT_EQ(Headers(), QStringList({"*Opened By", "For", "Locks", "Path"}));

    ListCommands::ColumnClick(list, 2);  // the flag belongs to the list: ascending now
    EXPECT_EQ(Users(), QStringList({"carl", "bob", "amy"}));  // "0" < "10" < "9"
    EXPECT_EQ(Headers(), QStringList({"Opened By", "For", "*Locks", "Path"}));

    ListCommands::ColumnClick(list, 2);  // the marked column again: reversed, text unchanged
    EXPECT_EQ(Users(), QStringList({"amy", "bob", "carl"}));
    EXPECT_EQ(Headers(), QStringList({"Opened By", "For", "*Locks", "Path"}));

    Fill({});  // an empty list ignores the click altogether
    ListCommands::ColumnClick(list, 0);
    EXPECT_EQ(list.SortOrderFlag(), 1);
    EXPECT_EQ(list.SortKey(), 2);
    EXPECT_EQ(Headers(), QStringList({"Opened By", "For", "Locks", "Path"}));
}

TEST_F(ListCommandsTest, SelectAllEnablesTheButtonsOnlyWithRows) {
    send.setEnabled(false);
    commands.SelectAll();
    EXPECT_EQ(list.SelectedCount(), 3);
    EXPECT_TRUE(send.isEnabled() && close.isEnabled());
    commands.DeselectAll();
    EXPECT_EQ(list.SelectedCount(), 0);
    EXPECT_FALSE(send.isEnabled() || close.isEnabled());

    Fill({});
    commands.SelectAll();
    EXPECT_FALSE(send.isEnabled());
    send.setEnabled(true);
    commands.DeselectAll();
    EXPECT_FALSE(send.isEnabled());
}

TEST_F(ListCommandsTest, FindSelectsOnlyTheFirstMatchInDisplayOrder) {
    commands.SelectAll();
    // Exact: every sub-item, whole text, any case; "read" is on two rows.
    EXPECT_EQ(Find("  READ "), 1);
    EXPECT_EQ(list.SelectedRows(), std::vector<int>{1});
    EXPECT_EQ(list.CurrentRow(), 1);
    EXPECT_FALSE(send.isEnabled());  // De-select All turned them off; find leaves them
    EXPECT_EQ(Find("0"), 2);  // the Locks column
    EXPECT_EQ(Find("mem"), -1);
    EXPECT_EQ(Find("bob"), -1);  // the user is the row text, no sub-item
    EXPECT_EQ(Find("   "), -1);  // an exact search for ""

    // Pattern: on the path, both sides lower-cased, in the order shown.
    ListCommands::ColumnClick(list, 0);  // carl, bob, amy
    EXPECT_EQ(list.Text(Find("D:\\DATA\\*.DOC")), "bob");
    EXPECT_EQ(list.Text(Find("?:\\data\\re*")), "amy");
    EXPECT_EQ(Find("*.ppt"), -1);
    ASSERT_EQ(prompts->asked().size(), 4u);
    EXPECT_EQ(prompts->asked()[0].text, "Nothing found.");
    EXPECT_EQ(prompts->asked()[0].title, "Vantor");
    EXPECT_EQ(list.SelectedCount(), 0);
}

}  // namespace
