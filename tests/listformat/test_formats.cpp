#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>
#include <string>

#include "listformat/Escape.h"
#include "listformat/Formats.h"

using listformat::Column;
using listformat::Table;

namespace {

// Server text a spreadsheet, a browser or a terminal would take as more than data.
const std::vector<std::vector<std::string>> kHostileRows = {
    {"FS1", "4294967295", "<b>anna</b>", "D:\\a,b\\\"quoted\".txt"},
    {"FS1", "2", "=HYPERLINK(\"http://x\")", "line1\nline2\r\nend"},
    {"FS1", "007", "+1", "-2+3"},
    {"FS1", "-1", "@SUM(A1)", "\t=tab"},
    {"FS1", "x", "Ünïcødé 日本", "\x1b[31mred\xe2\x80\xaegpj.exe"},
    {"FS1", "", "", ""},
};

Table Hostile() {
    Table t({{"server"}, {"id", true}, {"user"}, {"path"}});
    for (const auto& row : kHostileRows) t.AddRow(row);
    return t;
}

Table OneRow(std::vector<Column> columns, std::vector<std::string> cells) {
    Table t(std::move(columns));
    t.AddRow(std::move(cells));
    return t;
}

std::string TempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir != nullptr ? dir : "/tmp") + "/vantor-" + std::to_string(getpid()) +
           "-" + name;
}

// The rows as the CSV reader should give them back: formula-leading cells
// carry the apostrophe, plain numbers do not.
nlohmann::json ExpectedCsvRows(const Table& t) {
    nlohmann::json rows = nlohmann::json::array();
    nlohmann::json header = nlohmann::json::array();
    for (const auto& c : t.columns) header.push_back(c.name);
    rows.push_back(header);
    for (std::size_t r = 0; r < t.RowCount(); ++r) {
        nlohmann::json row = nlohmann::json::array();
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            const std::string cell(t.Cell(r, i));
            const bool formula = !cell.empty() && std::string("=+-@\t\r").find(cell[0]) != std::string::npos &&
                                 !listformat::IsPlainInteger(cell);
            row.push_back(formula ? "'" + cell : cell);
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

TEST(ListFormats, JsonReadsBackAsTheSameDataWithNumbersAsNumbers) {
    const Table t = Hostile();
    const auto parsed = nlohmann::json::parse(listformat::ToJson(t));
    ASSERT_TRUE(parsed.is_array());
    ASSERT_EQ(parsed.size(), kHostileRows.size());
    for (std::size_t r = 0; r < kHostileRows.size(); ++r) {
        ASSERT_EQ(parsed[r].size(), t.columns.size());
        for (std::size_t c = 0; c < t.columns.size(); ++c) {
            const std::string cell = kHostileRows[r][c];
            const auto& value = parsed[r][t.columns[c].name];
            if (c == 1 && listformat::IsPlainInteger(cell))
                EXPECT_EQ(value.dump(), cell);  // a number, digit for digit
            else if (c == 1 && cell.empty())
                EXPECT_TRUE(value.is_null());  // a count the server did not give
            else
                EXPECT_EQ(value.get<std::string>(), cell) << r << "," << c;
        }
    }
    // Keys in column order, so a reader sees the columns as they were shown.
    const auto ordered = nlohmann::ordered_json::parse(listformat::ToJson(t));
    std::vector<std::string> keys;
    for (const auto& [key, value] : ordered[0].items()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"server", "id", "user", "path"}));
    EXPECT_EQ(listformat::ToJson(Table({{"a"}})), "[]\n");
    // JavaScript's line separators never reach the text raw.
    EXPECT_EQ(listformat::ToJson(OneRow({{"a"}}, {"x\xe2\x80\xa8y"})).find("\xe2\x80\xa8"),
              std::string::npos);
}

TEST(ListFormats, CsvReadsBackInPythonsCsvModuleAsDataNotFormulas) {
    const Table t = Hostile();
    for (const bool bom : {true, false}) {
        const std::string csv = TempPath("formats.csv");
        const std::string expected = TempPath("formats.json");
        std::ofstream(csv, std::ios::binary) << listformat::ToCsv(t, bom);
        std::ofstream(expected, std::ios::binary) << ExpectedCsvRows(t).dump();
        const std::string command = std::string("python3 ") + VANTOR_CSV_CHECK + " " + csv + " " +
                                    expected + (bom ? " --bom" : " --no-bom");
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::remove(csv.c_str());
        std::remove(expected.c_str());
    }
    // RFC 4180 line ends, and quoting only where a cell needs it.
    EXPECT_EQ(listformat::ToCsv(OneRow({{"a"}, {"b"}}, {"x y", "1,2"}), false),
              "a,b\r\nx y,\"1,2\"\r\n");
}

TEST(ListFormats, TextTableKeepsEveryRowOnOneLineAndAlignsColumns) {
    const std::string table = listformat::ToTextTable(Hostile());
    std::istringstream in(table);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), kHostileRows.size() + 1);
    EXPECT_EQ(table.find('\x1b'), std::string::npos);
    EXPECT_EQ(table.find('\r'), std::string::npos);
    EXPECT_EQ(table.find("\xe2\x80\xae"), std::string::npos);
    EXPECT_NE(table.find("line1\\nline2\\r\\nend"), std::string::npos);
    // The user column starts at the same place on every line; numbers end at one.
    const std::size_t userAt = lines[0].find("user");
    EXPECT_EQ(lines[1].find("<b>anna</b>"), userAt);
    EXPECT_EQ(lines[2].find("2  "), lines[1].find("4294967295  ") + 9);
}

TEST(ListFormats, TsvHasAHeaderAndOneFieldPerCell) {
    const std::string tsv = listformat::ToTsv(OneRow({{"a"}, {"b"}}, {"x\ty", "1\n2"}));
    EXPECT_EQ(tsv, "a\tb\nx\\ty\t1\\n2\n");
}

TEST(ListFormats, EscapingShowsControlsAndBidiButLeavesTextAlone) {
    EXPECT_EQ(listformat::EscapeControls("a\r\nb\tc\x1b\x7f"), "a\\r\\nb\\tc\\x1b\\x7f");
    EXPECT_EQ(listformat::EscapeControls("\xc2\x85\xe2\x80\xae\xe2\x81\xa6"), "\\x85\\u202e\\u2066");
    EXPECT_EQ(listformat::EscapeControls("Ünïcødé 日本 C:\\x"), "Ünïcødé 日本 C:\\x");
}
