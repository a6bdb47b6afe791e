#pragma once
// A list as it is shown, the way what takes it out of the window reads it
// (copy, export): column captions, the sort key, every cell by display
// position, and the rows selected.
#include <QString>
#include <vector>

namespace common {

class ListContent {
public:
    virtual int RowCount() const = 0;
    virtual int ColumnCount() const = 0;
    virtual QString ColumnText(int column) const = 0;
    virtual bool IsSorted() const = 0;
    virtual int SortKey() const = 0;
    // The cell as it is shown; `row` by display position.
    virtual const QString& CellRef(int row, int column) const = 0;
    // Selected rows in display order.
    virtual std::vector<int> SelectedRows() const = 0;

protected:
    ~ListContent() = default;
};

}  // namespace common
