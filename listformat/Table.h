#pragma once
// A list as it leaves the program: named columns and rows of UTF-8 cells, in
// the order they are to be written. Numeric columns are written as numbers
// where the format has them (JSON) and aligned to the right in a text table.
#include <string>
#include <string_view>
#include <vector>

namespace listformat {

struct Column {
    std::string name;
    bool numeric = false;
};

struct Table {
    std::vector<Column> columns;
    // One cell per column; a shorter row reads as if padded with empty cells.
    std::vector<std::vector<std::string>> rows;
};

// Text that is a plain decimal integer ("-1", "42"): data for every reader,
// never a formula, and a valid JSON number.
bool IsPlainInteger(std::string_view cell);

}  // namespace listformat
