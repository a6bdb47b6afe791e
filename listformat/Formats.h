#pragma once
// The written forms of a list. Each returns the whole text; callers write it
// in one go.
#include <string>

#include "Table.h"

namespace listformat {

// RFC 4180: CRLF line ends, a cell quoted when it holds a comma, a quote, CR
// or LF, quotes doubled. A cell that a spreadsheet would run as a formula
// (first character = + - @, tab or CR, and not a plain number) gets a leading
// apostrophe. `byteOrderMark` puts UTF-8's BOM first, so spreadsheets read
// the file as UTF-8.
std::string ToCsv(const Table& table, bool byteOrderMark);

// An array of objects keyed by column name, one object per row, in order.
// Cells of numeric columns that are plain integers are JSON numbers, empty
// ones null (a count the server did not give); every other cell is a string.
std::string ToJson(const Table& table);

// Aligned columns for a terminal: a header line, then one line per row,
// columns two blanks apart, numbers aligned right. Control characters are
// escaped, so a cell is always one line.
std::string ToTextTable(const Table& table);

// Tab-separated lines with a header line, for the clipboard. Control
// characters (tab and line breaks included) are escaped, so every row stays
// one line and every cell one field.
std::string ToTsv(const Table& table);

}  // namespace listformat
