#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "pattern/PatternMatch.h"

using pattern::PatternMatch;

namespace {

struct Case {
    std::u16string_view text;
    std::u16string_view pattern;
    bool matches;
};

// Wildcards cover the whole text; a list matches one character.
constexpr Case kCases[] = {
    {u"d:\\data\\report.doc", u"*.doc", true},
    {u"d:\\data\\report.docx", u"*.doc", false},
    {u"", u"*", true},
    {u"abc", u"a*c", true},
    {u"ac", u"a*c", true},
    {u"abc", u"a?c", true},
    {u"ac", u"a?c", false},
    {u"file7.txt", u"file#.txt", true},
    {u"filex.txt", u"file#.txt", false},
    {u"abcabcabd", u"*abd", true},
    {u"a*b", u"a*b", true},
    {u"exact", u"exac", false},
    {u"exact", u"exact", true},
    {u"Exact", u"exact", false},  // callers lower-case both sides
    {u"b", u"[abc]", true},
    {u"d", u"[abc]", false},
    {u"d", u"[!abc]", true},
    {u"a", u"[!abc]", false},
    {u"m", u"[a-z]", true},
    {u"M", u"[a-z]", false},
    {u"-", u"[a-]", true},
    {u"*", u"[*]", true},  // a star in a list is a plain character
    {u"x", u"[*]", false},
    {u"x9.log", u"[wx]#.log", true},
    {u"[abc", u"*[abc", false},  // an unclosed bracket matches nothing, itself included
    {u"a", u"*[abc", false},
    {u"", u"[", false},
};

TEST(PatternMatchTest, WildcardsAndCharacterLists) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.pattern.begin(), c.pattern.end()) + " on " +
                     std::string(c.text.begin(), c.text.end()));
        EXPECT_EQ(PatternMatch(c.text, c.pattern), c.matches);
    }
}

TEST(PatternMatchTest, ManyStarsStayFast) {
    // Backtracking to the last star keeps this linear; a naive matcher would not finish.
    const std::u16string text(5000, u'a');
    EXPECT_FALSE(PatternMatch(text, u"*a*a*a*a*a*a*a*a*a*a*a*a*b"));
}

}  // namespace
