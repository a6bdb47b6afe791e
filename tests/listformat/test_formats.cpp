// The written forms of a list, byte for byte, on server text that a
// spreadsheet, a browser or a terminal would take as more than data.
#include <gtest/gtest.h>

#include "listformat/Escape.h"
#include "listformat/Formats.h"

using listformat::Table;

namespace {

Table Hostile() {
    Table t({{"server"}, {"id", true}, {"user"}, {"path"}});
    for (const auto& row : std::vector<std::vector<std::string>>{
             {"FS1", "4294967295", "<b>anna</b>", "D:\\a,b\\\"quoted\".txt"},
             {"FS1", "2", "=HYPERLINK(\"http://x\")", "line1\nline2\r\nend"},
             {"FS1", "007", "+1", "-2+3"},
             {"FS1", "-1", "@SUM(A1)", "\t=tab"},
             {"FS1", "x", "Ünïcødé 日本", "\x1b[31mred\xe2\x80\xaegpj.exe"},
             {"FS1", "", "", ""}})
        t.AddRow(row);
    return t;
}

Table OneRow(std::vector<std::string> cells) {
    Table t({{"a"}, {"b"}});
    t.AddRow(std::move(cells));
    return t;
}

// RFC 4180 quoting only where a cell needs it, CRLF line ends, and an
// apostrophe before whatever a spreadsheet would run as a formula (a plain
// number is none).
TEST(ListFormats, CsvQuotesWhereNeededAndDefusesFormulas) {
    EXPECT_EQ(listformat::ToCsv(Hostile(), true),
              "\xEF\xBB\xBFserver,id,user,path\r\n"
              "FS1,4294967295,<b>anna</b>,\"D:\\a,b\\\"\"quoted\"\".txt\"\r\n"
              "FS1,2,\"'=HYPERLINK(\"\"http://x\"\")\",\"line1\nline2\r\nend\"\r\n"
              "FS1,007,'+1,'-2+3\r\n"
              "FS1,-1,'@SUM(A1),'\t=tab\r\n"
              "FS1,x,Ünïcødé 日本,\x1b[31mred\xe2\x80\xaegpj.exe\r\n"
              "FS1,,,\r\n");
    EXPECT_EQ(listformat::ToCsv(OneRow({"x y", "1,2"}), false), "a,b\r\nx y,\"1,2\"\r\n");
}

// Numbers as numbers digit for digit, a count the server did not give as
// null, keys in column order, and JavaScript's line separators never raw.
TEST(ListFormats, JsonKeepsTheDataAndItsNumbers) {
    EXPECT_EQ(listformat::ToJson(Hostile()),
              "[\n"
              R"j({"server":"FS1","id":4294967295,"user":"<b>anna</b>","path":"D:\\a,b\\\"quoted\".txt"},)j" "\n"
              R"j({"server":"FS1","id":2,"user":"=HYPERLINK(\"http://x\")","path":"line1\nline2\r\nend"},)j" "\n"
              R"j({"server":"FS1","id":"007","user":"+1","path":"-2+3"},)j" "\n"
              R"j({"server":"FS1","id":-1,"user":"@SUM(A1)","path":"\t=tab"},)j" "\n"
              R"j({"server":"FS1","id":"x","user":"Ünïcødé 日本","path":"\u001b[31mred)j" "\xe2\x80\xae" R"j(gpj.exe"},)j" "\n"
              R"j({"server":"FS1","id":null,"user":"","path":""})j" "\n"
              "]\n");
    EXPECT_EQ(listformat::ToJson(Table({{"a"}})), "[]\n");
    EXPECT_EQ(listformat::ToJson(OneRow({"x\xe2\x80\xa8y"})).find("\xe2\x80\xa8"), std::string::npos);
}

// One line per row whatever the text holds; numbers aligned right.
TEST(ListFormats, TextTableAndTsvKeepEveryRowOnOneLine) {
    EXPECT_EQ(listformat::ToTextTable(Hostile()),
              "server          id  user                    path\n"
              "FS1     4294967295  <b>anna</b>             D:\\a,b\\\"quoted\".txt\n"
              "FS1              2  =HYPERLINK(\"http://x\")  line1\\nline2\\r\\nend\n"
              "FS1            007  +1                      -2+3\n"
              "FS1             -1  @SUM(A1)                \\t=tab\n"
              "FS1              x  Ünïcødé 日本              \\x1b[31mred\\u202egpj.exe\n"
              "FS1                                         \n");
    EXPECT_EQ(listformat::ToTsv(OneRow({"x\ty", "1\n2"})), "a\tb\nx\\ty\t1\\n2\n");
    // Beyond the table's cells: DEL, a C1 control and a bidi isolate.
    EXPECT_EQ(listformat::EscapeControls("\x7f\xc2\x85\xe2\x81\xa6"), "\\x7f\\x85\\u2066");
}

}  // namespace
