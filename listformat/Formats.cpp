#include "Formats.h"

#include <algorithm>

#include "Escape.h"

namespace listformat {
namespace {

const std::string kEmpty;

const std::string& CellOf(const std::vector<std::string>& row, std::size_t column) {
    return column < row.size() ? row[column] : kEmpty;
}

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

void AppendCsvLine(std::string& out, const std::vector<std::string>& cells, std::size_t columns) {
    for (std::size_t i = 0; i < columns; ++i) {
        if (i > 0) out += ',';
        AppendCsvCell(out, CellOf(cells, i));
    }
    out += "\r\n";
}

// --- JSON ---

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
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
                } else if (c == 0xE2 && i + 2 < text.size() && text[i + 1] == '\x80' &&
                           (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
                    // Line and paragraph separators end a line in JavaScript source.
                    out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
                    i += 2;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
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

std::string ToCsv(const Table& table, bool byteOrderMark) {
    std::string out;
    if (byteOrderMark) out += "\xEF\xBB\xBF";
    const std::size_t columns = table.columns.size();
    std::vector<std::string> header;
    header.reserve(columns);
    for (const Column& column : table.columns) header.push_back(column.name);
    AppendCsvLine(out, header, columns);
    for (const auto& row : table.rows) AppendCsvLine(out, row, columns);
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
    std::string out = "[";
    bool firstRow = true;
    for (const auto& row : table.rows) {
        out += firstRow ? "\n{" : ",\n{";
        firstRow = false;
        for (std::size_t i = 0; i < columns; ++i) {
            if (i > 0) out += ',';
            out += keys[i];
            const std::string& cell = CellOf(row, i);
            if (table.columns[i].numeric && IsPlainInteger(cell))
                out += cell;
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
    lines.reserve(table.rows.size() + 1);
    std::vector<std::string> header;
    for (const Column& column : table.columns) header.push_back(EscapeControls(column.name));
    lines.push_back(std::move(header));
    for (const auto& row : table.rows) {
        std::vector<std::string> cells;
        cells.reserve(columns);
        for (std::size_t i = 0; i < columns; ++i) cells.push_back(EscapeControls(CellOf(row, i)));
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
    const std::size_t columns = table.columns.size();
    std::string out;
    for (std::size_t i = 0; i < columns; ++i) {
        if (i > 0) out += '\t';
        out += EscapeControls(table.columns[i].name);
    }
    out += '\n';
    for (const auto& row : table.rows) {
        for (std::size_t i = 0; i < columns; ++i) {
            if (i > 0) out += '\t';
            out += EscapeControls(CellOf(row, i));
        }
        out += '\n';
    }
    return out;
}

}  // namespace listformat
