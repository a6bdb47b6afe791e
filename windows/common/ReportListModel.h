#pragma once
// The rows of a report list: a row text, its sub-items, a hidden tag and the
// row's record per row, held column by column (one vector of strings per column, no object per
// row) so that 100,000 rows fill, sort and search quickly. Rows are stored in
// the order they were added; a separate display order gives the sorted view.
#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace pattern {
class Pattern;
}

namespace common {

class ReportListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    // What the row stands for: the position of its record in the collection
    // the window filled the list from. Commands read it instead of parsing
    // the row's texts; kNoRecord for a row that stands for nothing.
    static constexpr int RecordRole = Qt::UserRole + 1;
    static constexpr int kNoRecord = -1;

    explicit ReportListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // A whole rebuild: columns and rows are dropped, then added again, inside
    // one model reset. Between Begin and End the display order is undefined.
    void BeginRebuild();
    void AddColumn(const QString& text);
    // `texts` are the row text and then the sub-items; missing ones stay empty.
    void AddRow(std::initializer_list<QString> texts, const QString& tag, int record);
    void AddRow(const QStringList& texts, const QString& tag, int record);
    void ReserveRows(int rows);
    // Applies the sorted mode to the new rows and ends the reset.
    void EndRebuild();

    // Rows added to the end of what is shown, outside a rebuild, as they
    // arrive: cells column by column ([column][row]), one tag and record per
    // row. In sorted mode they take their places among the rows there (a
    // merge, not a fresh sort); selection and current row stay with theirs.
    struct RowBatch {
        std::vector<std::vector<QString>> cells;
        std::vector<QString> tags;
        std::vector<int> records;
    };
    void AppendRows(RowBatch batch);
    // Drops the rows whose record is one of `records`; the others keep their
    // order (a reset: selection and current row go).
    void RemoveRecords(const std::vector<int>& records);

    QString ColumnText(int column) const;
    void SetColumnText(int column, const QString& text);

    // Rows by display position (0 = the first row shown).
    QString Cell(int row, int column) const;
    // The cell itself, without a copy: valid until the next rebuild.
    const QString& CellRef(int row, int column) const;
    QString Tag(int row) const;
    int Record(int row) const;
    int StorageRow(int row) const { return mOrder[static_cast<std::size_t>(row)]; }
    // Inverse of StorageRow, built on demand.
    std::vector<int> DisplayPositions() const;

    // Sorted mode, as a list view has it: once on, every rebuild keeps the
    // rows in the order of the key column. Turning it on sorts at once.
    bool IsSorted() const { return mSorted; }
    int SortKey() const { return mSortKey; }
    Qt::SortOrder SortOrder() const { return mSortOrder; }
    void Sort(int keyColumn, Qt::SortOrder order);

    // The first row (display order) whose text in one of `columns` equals
    // `text` as a whole, ignoring case; -1 when none.
    int FindExact(const QString& text, const std::vector<int>& columns) const;
    // The first row whose lower-cased text in `column` matches `pattern`.
    int FindPattern(const pattern::Pattern& pattern, int column) const;

    // The lower-case key of a text (what sorting and pattern search compare).
    static QString LowerKey(const QString& text);

private:
    void AppendRow(const QString* texts, std::size_t count, const QString& tag, int record);
    const std::vector<QString>& Keys(int column) const;
    void ApplySort();
    void ResetOrder();
    // Shows the rows in `order`, whatever the views hold following its row.
    void Reorder(std::vector<int> order);

    QStringList mHeaders;
    std::vector<std::vector<QString>> mCells;  // [column][storage row]
    std::vector<QString> mTags;
    std::vector<int> mRecords;
    std::vector<int> mOrder;  // display position -> storage row
    // Lower-cased cells, made the first time a column is sorted or searched.
    mutable std::vector<std::vector<QString>> mKeys;
    bool mSorted = false;
    int mSortKey = 0;
    Qt::SortOrder mSortOrder = Qt::AscendingOrder;
    bool mRebuilding = false;
};

}  // namespace common
