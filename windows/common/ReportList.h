#pragma once
// The report-style list view of the tool windows: column headers whose widths
// are fractions of the list's width, rows with a text, sub-items and a hidden
// tag, several rows selectable, a current row, and a sorted mode that keeps
// its key column and order across rebuilds. Rows are addressed by display
// position, 0 for the first row shown.
//
// A fill goes through a Rebuild object, which drops every column and row and
// re-adds them inside a single model reset:
//     auto fill = list.Rebuild();
//     fill.AddColumns({{u"Opened By", 0.15}, {u"For", 0.1}});
//     fill.AddRow({user, access, locks, path}, tag, record);
#include <QStringList>
#include <QTreeView>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "ListContent.h"
#include "ReportListModel.h"

namespace pattern {
class Pattern;
}

namespace common {

class ReportList final : public QTreeView, public ListContent {
    Q_OBJECT

public:
    class Rebuild final {
    public:
        explicit Rebuild(ReportList& list);
        ~Rebuild();
        Rebuild(const Rebuild&) = delete;
        Rebuild& operator=(const Rebuild&) = delete;

        // `widthFraction` of the list's current width.
        void AddColumn(const QString& text, double widthFraction);
        struct Column {
            QStringView text;
            double widthFraction;
        };
        void AddColumns(std::initializer_list<Column> columns);
        // `record`: where the window keeps what the row stands for (see Record).
        void AddRow(std::initializer_list<QString> texts, const QString& tag = QString(),
                    int record = ReportListModel::kNoRecord);
        void AddRow(const QStringList& texts, const QString& tag = QString(),
                    int record = ReportListModel::kNoRecord);
        void ReserveRows(int rows);
        // A row for each of `items` (none when there are none): `addRow(item,
        // record)` adds it, `record` being the item's place among them.
        template <typename Items, typename AddOne>
        void AddRecords(const Items* items, AddOne addRow) {
            if (items == nullptr) return;
            ReserveRows(static_cast<int>(items->Count()));
            int record = 0;
            for (const auto& item : *items) addRow(item, record++);
        }

    private:
        ReportList& mList;
    };

    explicit ReportList(QWidget* parent = nullptr);

    // Drops every column and row.
    void Clear();

    int RowCount() const override { return mModel->rowCount(); }
    int ColumnCount() const override { return mModel->columnCount(); }
    QString ColumnText(int column) const override { return mModel->ColumnText(column); }
    // A caption that grows widens its column as far as it needs.
    void SetColumnText(int column, const QString& text);
    int ColumnWidth(int column) const;
    // The width the column's caption needs, margins included.
    int CaptionWidth(int column) const;

    QString Text(int row) const { return mModel->Cell(row, 0); }
    // Sub-item `i` counted from 1, as the list view counts them.
    QString SubItem(int row, int i) const { return mModel->Cell(row, i); }
    const QString& CellRef(int row, int column) const override { return mModel->CellRef(row, column); }
    QString Tag(int row) const { return mModel->Tag(row); }
    // The position of the row's record in the collection the list was filled
    // from (0 for its first item), ReportListModel::kNoRecord for none.
    int Record(int row) const;

    bool IsSelected(int row) const;
    void SetSelected(int row, bool selected);
    void SelectAllRows();
    void DeselectAllRows();
    // Selected rows in display order.
    std::vector<int> SelectedRows() const override;
    int SelectedCount() const;

    // The row with the focus (SelectedItem), -1 when there is none.
    int CurrentRow() const;
    // Makes `row` current without changing the selection.
    void SetCurrentRow(int row);
    void EnsureVisible(int row);

    // The list's one-byte sort-order flag, flipped by each header click: 0
    // ascending, 1 descending. It belongs to the list, not to a column.
    std::uint8_t SortOrderFlag() const { return mSortOrderFlag; }
    void SetSortOrderFlag(std::uint8_t flag) { mSortOrderFlag = flag; }
    bool IsSorted() const override { return mModel->IsSorted(); }
    int SortKey() const override { return mModel->SortKey(); }
    Qt::SortOrder SortOrder() const { return mModel->SortOrder(); }
    // Turns sorted mode on and sorts now; selection and current row follow their rows.
    void SortBy(int keyColumn, Qt::SortOrder order);

    int FindExact(const QString& text, const std::vector<int>& columns) const {
        return mModel->FindExact(text, columns);
    }
    int FindPattern(const pattern::Pattern& pattern, int column) const {
        return mModel->FindPattern(pattern, column);
    }

    ReportListModel* Model() const { return mModel; }

signals:
    // A row clicked by the user (mouse, or keyboard moving the current row).
    void ItemClick(int row);
    // A column header clicked by the user.
    void ColumnClick(int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ApplyColumnWidths();

    ReportListModel* mModel;
    std::vector<double> mWidthFractions;
    std::uint8_t mSortOrderFlag = 0;
};

// The record of `row` among `items`, the collection the list was filled from
// (anything with At(index)); nullptr when the row has none or there are no items.
template <typename Items>
auto RowRecord(const ReportList& list, int row, const Items* items) -> decltype(items->At(0)) {
    const int record = list.Record(row);
    return items != nullptr && record >= 0 ? items->At(static_cast<std::size_t>(record)) : nullptr;
}

}  // namespace common
