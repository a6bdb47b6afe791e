#pragma once
// A list as it leaves the program: named columns and rows of UTF-8 cells, in
// the order they are to be written. Numeric columns are written as numbers
// where the format has them (JSON) and aligned to the right in a text table.
//
// Cells are views, held row after row in one array, so that 100,000 rows
// cost no object per cell: text that lives elsewhere (a buffer received from
// a listing process) is viewed where it is, other text is kept by the table.
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace listformat {

struct Column {
    std::string name;
    bool numeric = false;
};

class Table {
public:
    Table() = default;
    explicit Table(std::vector<Column> columns) : columns(std::move(columns)) {}
    // Views into the table's own storage must not outlive a copy's source.
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    Table(Table&&) = default;
    Table& operator=(Table&&) = default;

    std::vector<Column> columns;

    std::size_t RowCount() const { return columns.empty() ? 0 : mCells.size() / columns.size(); }
    std::string_view Cell(std::size_t row, std::size_t column) const {
        return mCells[row * columns.size() + column];
    }

    // A row of text the table keeps; missing cells are empty, extra ones dropped.
    void AddRow(std::vector<std::string> cells);
    // One cell of the row being added, viewed where it lives: the caller keeps
    // that text alive as long as the table. Rows are complete after every
    // `columns.size()` cells.
    void AddViewedCell(std::string_view cell) { mCells.push_back(cell); }
    void Reserve(std::size_t rows) { mCells.reserve(rows * columns.size()); }

private:
    std::vector<std::string_view> mCells;
    std::deque<std::string> mKept;  // a deque never moves what it holds
};

// Text that is a plain decimal integer ("-1", "42"): data for every reader,
// never a formula, and a valid JSON number.
bool IsPlainInteger(std::string_view cell);

}  // namespace listformat
