#include <gtest/gtest.h>

#include <string>

#include "pattern/PatternMatch.h"

using common::Pattern;
using common::PatternMatch;

namespace {

TEST(PatternMatchTest, WildcardsCoverTheWholeText) {
    EXPECT_TRUE(PatternMatch(u"d:\\data\\report.doc", u"*.doc"));
    EXPECT_FALSE(PatternMatch(u"d:\\data\\report.docx", u"*.doc"));
    EXPECT_TRUE(PatternMatch(u"", u"*"));
    EXPECT_TRUE(PatternMatch(u"abc", u"a*c"));
    EXPECT_TRUE(PatternMatch(u"ac", u"a*c"));
    EXPECT_TRUE(PatternMatch(u"abc", u"a?c"));
    EXPECT_FALSE(PatternMatch(u"ac", u"a?c"));
    EXPECT_TRUE(PatternMatch(u"file7.txt", u"file#.txt"));
    EXPECT_FALSE(PatternMatch(u"filex.txt", u"file#.txt"));
    EXPECT_TRUE(PatternMatch(u"abcabcabd", u"*abd"));
    EXPECT_TRUE(PatternMatch(u"a*b", u"a*b"));
    EXPECT_FALSE(PatternMatch(u"exact", u"exac"));
    EXPECT_TRUE(PatternMatch(u"exact", u"exact"));
    EXPECT_FALSE(PatternMatch(u"Exact", u"exact"));  // callers lower-case both sides
}

TEST(PatternMatchTest, CharacterLists) {
    EXPECT_TRUE(PatternMatch(u"b", u"[abc]"));
    EXPECT_FALSE(PatternMatch(u"d", u"[abc]"));
    EXPECT_TRUE(PatternMatch(u"d", u"[!abc]"));
    EXPECT_FALSE(PatternMatch(u"a", u"[!abc]"));
    EXPECT_TRUE(PatternMatch(u"m", u"[a-z]"));
    EXPECT_FALSE(PatternMatch(u"M", u"[a-z]"));
    EXPECT_TRUE(PatternMatch(u"-", u"[a-]"));
    EXPECT_TRUE(PatternMatch(u"*", u"[*]"));  // a star in a list is a plain character
    EXPECT_FALSE(PatternMatch(u"x", u"[*]"));
    EXPECT_TRUE(PatternMatch(u"x9.log", u"[wx]#.log"));
}

TEST(PatternMatchTest, UnclosedBracketMatchesNothing) {
    const Pattern broken(u"*[abc");
    EXPECT_FALSE(broken.IsValid());
    EXPECT_FALSE(broken.Matches(u"[abc"));
    EXPECT_FALSE(broken.Matches(u"a"));
    EXPECT_FALSE(PatternMatch(u"", u"["));
}

TEST(PatternMatchTest, ManyStarsStayFast) {
    // Backtracking to the last star keeps this linear; a naive matcher would not finish.
    const std::u16string text(5000, u'a');
    EXPECT_FALSE(PatternMatch(text, u"*a*a*a*a*a*a*a*a*a*a*a*a*b"));
}

}  // namespace
