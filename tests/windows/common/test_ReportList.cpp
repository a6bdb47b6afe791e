#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QStringList>

#include "support/ListText.h"
#include "windows/common/ReportList.h"

using common::ReportList;
using listtext::Column;

namespace {

void Fill(ReportList& list, const std::vector<QStringList>& rows) {
    ReportList::Rebuild fill(list);
    fill.AddColumn("Name", 0.25);
    fill.AddColumn("Count", 0.5);
    for (std::size_t i = 0; i < rows.size(); ++i)
        fill.AddRow(rows[i], QString::number(i + 1), static_cast<int>(i));
}

// Each row's record, as the commands read it, in display order.
std::vector<int> Records(const ReportList& list) {
    std::vector<int> records;
    for (int row = 0; row < list.RowCount(); ++row) records.push_back(list.Record(row));
    return records;
}

TEST(ReportListTest, SortedModeIsCaseInsensitiveTextOrderThatSurvivesRebuilds) {
    ReportList list;
    QAbstractItemModelTester tester(list.Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    Fill(list, {{"b", "9"}, {"A", "10"}, {"a", "2"}, {"C", "9"}});
    list.SetSelected(1, true);  // A
    list.SetSelected(3, true);  // C
    list.SetCurrentRow(2);      // a

    // Numbers sort as text; equal texts keep the order they were added in;
    // selection and current row go with their rows.
    list.SortBy(1, Qt::AscendingOrder);
    EXPECT_EQ(Column(list, 1), QStringList({"10", "2", "9", "9"}));
    EXPECT_EQ(Column(list, 0), QStringList({"A", "a", "b", "C"}));
    EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 3}));
    EXPECT_EQ(list.Text(list.CurrentRow()), "a");
    // Each row keeps its record, whatever its place.
    EXPECT_EQ(Records(list), (std::vector<int>{1, 2, 0, 3}));

    list.SelectAllRows();
    list.SortBy(0, Qt::DescendingOrder);
    EXPECT_EQ(Column(list, 0), QStringList({"C", "b", "A", "a"}));
    EXPECT_EQ(list.SelectedCount(), 4);

    // A rebuild drops selection and current row; its rows take their places
    // in the same order.
    Fill(list, {{"x"}, {"Y"}, {"w"}});
    EXPECT_EQ(Column(list, 0), QStringList({"Y", "x", "w"}));
    EXPECT_EQ(list.Tag(0), "2");
    EXPECT_EQ(list.SelectedCount(), 0);
    EXPECT_EQ(list.CurrentRow(), -1);
    EXPECT_EQ(Records(list), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(list.Record(3), common::ReportListModel::kNoRecord);

    // A row added without a record stands for nothing.
    {
        ReportList::Rebuild fill(list);
        fill.AddColumn("Name", 1.0);
        fill.AddRow({"plain"});
    }
    EXPECT_EQ(list.Record(0), common::ReportListModel::kNoRecord);
}

}  // namespace
