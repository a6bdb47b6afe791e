#pragma once
// The pattern operator shared by the command-line mode and the windows' find:
// "*" any run of characters (also none), "?" one character, "#" one digit,
// "[list]" one character of the list (ranges like a-z allowed), "[!list]" one
// character not in it; every other character stands for itself. The pattern
// covers the whole text. A pattern with an unclosed "[" matches nothing.
// Matching is exact as to letter case: callers lower-case both sides.
#include <string>
#include <string_view>
#include <vector>

namespace pattern {

class Pattern {
public:
    explicit Pattern(std::u16string_view pattern);
    bool Matches(std::u16string_view text) const;
    bool IsValid() const { return mValid; }

private:
    enum class Kind { Literal, AnyOne, Digit, List, NotList, AnyRun };
    struct Token {
        explicit Token(Kind k, char16_t c = 0) : kind(k), literal(c) {}
        Kind kind;
        char16_t literal;
        std::u16string set;  // pairs of (from, to) for list tokens
    };
    bool Accepts(const Token& token, char16_t c) const;

    std::vector<Token> mTokens;
    bool mValid = true;
};

bool PatternMatch(std::u16string_view text, std::u16string_view pattern);

}  // namespace pattern
