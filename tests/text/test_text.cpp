// Text that comes from servers, files and the command line: what may reach a
// line of output, how bytes become characters, and how case is ignored.
#include <gtest/gtest.h>

#include <clocale>

#include "text/Text.h"

namespace {

using text::EscapeControls;
using text::FromUtf8;

TEST(ControlCharacters, NoServerTextCanBreakOrReorderALine) {
    // A user name that would end its log line and add a forged one.
    EXPECT_EQ(EscapeControls(u"bob\r\nOUT: alice   C:\\payroll.xlsx"), u"bob\\r\\nOUT: alice   C:\\payroll.xlsx");
    // Every C0 and C1 control, DEL, the line separators and the bidi controls.
    for (char16_t c : {u'\x01', u'\x1b', u'\x7f', u'\x85', u'\x9b', u'\t', u'\u2028', u'\u2029',
                       u'\u202a', u'\u202e', u'\u2066', u'\u2069', u'\u200f', u'\u061c'}) {
        const std::u16string one(1, c);
        EXPECT_TRUE(text::NeedsEscape(one)) << int(c);
        EXPECT_EQ(EscapeControls(one).find(c), std::u16string::npos) << int(c);
    }
    EXPECT_EQ(EscapeControls(u"a\x1b[2Jb\x85"), u"a\\x1b[2Jb\\x85");
    // A path that reads "txt.exe" backwards behind a right-to-left override.
    EXPECT_EQ(EscapeControls(u"report\u202Etxt.exe"), u"report\\u202etxt.exe");
    // Ordinary text, backslashes and letters of every script stay as they are.
    const std::u16string plain = u"D:\\Daten\\Übersicht – 東京 \U0001F600.xlsx";
    EXPECT_FALSE(text::NeedsEscape(plain));
    EXPECT_EQ(EscapeControls(plain), plain);
}

TEST(Utf8, OverLongAndInvalidFormsNeverBecomeOtherCharacters) {
    // "/" and NUL in over-long forms, an encoded surrogate, past U+10FFFF.
    EXPECT_EQ(FromUtf8("a\xC0\xAF" "b"), u"a\uFFFD\uFFFDb");
    EXPECT_EQ(FromUtf8("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(FromUtf8("\xC0\x80").find(u'\0'), std::u16string::npos);
    EXPECT_EQ(FromUtf8("\xF0\x80\x80\xAF").find(u'/'), std::u16string::npos);
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80").find_first_not_of(u'\uFFFD'), std::u16string::npos);
    // A missing continuation byte does not swallow the next character.
    EXPECT_EQ(FromUtf8("\xC3" "A"), u"\uFFFDA");
    EXPECT_EQ(FromUtf8("end\xE2\x82"), u"end\uFFFD\uFFFD");
    // Valid text of every length round-trips.
    const std::string valid = "été € \xF0\x9F\x98\x80 \xEF\xBF\xBF";
    EXPECT_EQ(text::ToUtf8(FromUtf8(valid)), valid);
}

TEST(CaseFolding, FollowsUnicodeWhateverTheLocale) {
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(text::FoldCase(u"C:\\ÉTÉ.TMP"), text::FoldCase(u"c:\\été.tmp"));
    EXPECT_EQ(text::ToLower(u"ÀÉÎÕÜ ΣΑΣ ЖЁ"), u"àéîõü σασ жё");
    EXPECT_EQ(text::ToUpper(u"straße"), u"STRAßE");  // simple mapping: one to one
    EXPECT_EQ(text::FoldCase(u"ς"), text::FoldCase(u"Σ"));
    // Outside the BMP: Deseret capitals fold to their small letters.
    EXPECT_EQ(text::FoldCase(u"\U00010400"), u"\U00010428");
    EXPECT_TRUE(text::EqualsIgnoreCase(u"ÖFFENTLICH", u"öffentlich"));
    // A lone surrogate stays itself.
    EXPECT_EQ(text::FoldCase(std::u16string(1, u'\xD800')), std::u16string(1, u'\xD800'));
}

}  // namespace
