#include "Formats.h"

#include <algorithm>

#include "Escape.h"

namespace listformat {
namespace {

// --- CSV ---

bool LooksLikeFormula(std::string_view cell) {
    if (cell.empty()) return false;
    switch (cell.front()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            return !IsPlainInteger(cell);
        default:
            return false;
    }
}

void AppendCsvCell(std::string& out, std::string_view cell) {
    const bool formula = LooksLikeFormula(cell);
    const bool quote = cell.find_first_of(",\"\r\n") != std::string_view::npos;
    if (quote) out += '"';
    if (formula) out += '\'';
    for (const char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    if (quote) out += '"';
}

// Cell `i` of the line; the header is line `kHeader`, and kHeader + 1 wraps
// round to row 0, so one loop from kHeader writes the header, then the rows.
constexpr std::size_t kHeader = static_cast<std::size_t>(-1);

std::string_view LineCell(const Table& table, std::size_t line, std::size_t i) {
    return line == kHeader ? std::string_view(table.columns[i].name) : table.Cell(line, i);
}

void AppendCsvLine(std::string& out, const Table& table, std::size_t line) {
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (i > 0) out += ',';
        AppendCsvCell(out, LineCell(table, line, i));
    }
    out += "\r\n";
}

// --- JSON ---

bool NeedsJsonEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\' || c == 0xE2; }

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        // Runs of plain text go in whole; only the few special bytes are looked at.
        std::size_t end = i;
        while (end < text.size() && !NeedsJsonEscape(static_cast<unsigned char>(text[end]))) ++end;
        out.append(text, i, end - i);
        if (end == text.size()) break;
        i = end;
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xF];
                } else if (i + 2 < text.size() && text[i + 1] == '\x80' &&
                           (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
                    // Line and paragraph separators end a line in JavaScript source.
                    out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
                    i += 2;
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    out += '"';
}

// Bytes of every cell and caption: the size a written list starts from, so
// that a large one is allocated once rather than grown and copied.
std::size_t TextBytes(const Table& table) {
    std::size_t bytes = 0;
    for (std::size_t row = 0; row < table.RowCount(); ++row)
        for (std::size_t i = 0; i < table.columns.size(); ++i) bytes += table.Cell(row, i).size();
    return bytes;
}

}  // namespace

bool IsPlainInteger(std::string_view cell) {
    std::size_t i = 0;
    if (i < cell.size() && cell[i] == '-') ++i;
    if (i == cell.size()) return false;
    // JSON has no leading zeros ("007" stays text).
    if (cell[i] == '0' && i + 1 < cell.size()) return false;
    for (; i < cell.size(); ++i)
        if (cell[i] < '0' || cell[i] > '9') return false;
    return true;
}

void Table::AddRow(std::vector<std::string> cells) {
    cells.resize(columns.size());
    for (auto& cell : cells) mCells.push_back(mKept.emplace_back(std::move(cell)));
}

std::string ToCsv(const Table& table, bool byteOrderMark) {
    std::string out;
    out.reserve(TextBytes(table) + table.RowCount() * (table.columns.size() + 2) + 64);
    if (byteOrderMark) out += "\xEF\xBB\xBF";
    AppendCsvLine(out, table, kHeader);
    for (std::size_t row = 0; row < table.RowCount(); ++row) AppendCsvLine(out, table, row);
    return out;
}

std::string ToJson(const Table& table) {
    const std::size_t columns = table.columns.size();
    std::vector<std::string> keys;
    keys.reserve(columns);
    for (const Column& column : table.columns) {
        std::string key;
        AppendJsonString(key, column.name);
        key += ':';
        keys.push_back(std::move(key));
    }
    std::size_t keyBytes = 0;
    for (const auto& key : keys) keyBytes += key.size() + 3;
    std::string out;
    out.reserve(TextBytes(table) + table.RowCount() * (keyBytes + 4) + 8);
    out += '[';
    bool firstRow = true;
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
        out += firstRow ? "\n{" : ",\n{";
        firstRow = false;
        for (std::size_t i = 0; i < columns; ++i) {
            if (i > 0) out += ',';
            out += keys[i];
            const std::string_view cell = table.Cell(row, i);
            if (table.columns[i].numeric && IsPlainInteger(cell))
                out += cell;
            else if (table.columns[i].numeric && cell.empty())
                out += "null";  // a count the server did not give
            else
                AppendJsonString(out, cell);
        }
        out += '}';
    }
    out += firstRow ? "]\n" : "\n]\n";
    return out;
}

std::string ToTextTable(const Table& table) {
    const std::size_t columns = table.columns.size();
    std::vector<std::vector<std::string>> lines;
    lines.reserve(table.RowCount() + 1);
    for (std::size_t line = kHeader; line == kHeader || line < table.RowCount(); ++line) {
        std::vector<std::string> cells;
        cells.reserve(columns);
        for (std::size_t i = 0; i < columns; ++i) cells.push_back(EscapeControls(LineCell(table, line, i)));
        lines.push_back(std::move(cells));
    }
    std::vector<std::size_t> widths(columns, 0);
    for (const auto& line : lines)
        for (std::size_t i = 0; i < columns; ++i)
            widths[i] = std::max(widths[i], CodePointCount(line[i]));

    std::string out;
    for (const auto& line : lines) {
        std::string text;
        for (std::size_t i = 0; i < columns; ++i) {
            if (i > 0) text += "  ";
            const std::size_t pad = widths[i] - CodePointCount(line[i]);
            if (table.columns[i].numeric) text.append(pad, ' ');
            text += line[i];
            if (!table.columns[i].numeric && i + 1 < columns) text.append(pad, ' ');
        }
        out += text;
        out += '\n';
    }
    return out;
}

std::string ToTsv(const Table& table) {
    std::string out;
    for (std::size_t line = kHeader; line == kHeader || line < table.RowCount(); ++line) {
        for (std::size_t i = 0; i < table.columns.size(); ++i) {
            if (i > 0) out += '\t';
            out += EscapeControls(LineCell(table, line, i));
        }
        out += '\n';
    }
    return out;
}

}  // namespace listformat
