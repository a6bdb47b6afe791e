#include "PatternMatch.h"

namespace pattern {

Pattern::Pattern(std::u16string_view pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c == u'*') {
            // Consecutive stars mean the same as one.
            if (mTokens.empty() || mTokens.back().kind != Kind::AnyRun)
                mTokens.emplace_back(Kind::AnyRun);
        } else if (c == u'?') {
            mTokens.emplace_back(Kind::AnyOne);
        } else if (c == u'#') {
            mTokens.emplace_back(Kind::Digit);
        } else if (c == u'[') {
            const std::size_t close = pattern.find(u']', i + 1);
            if (close == std::u16string_view::npos) {
                mValid = false;
                mTokens.clear();
                return;
            }
            std::u16string_view body = pattern.substr(i + 1, close - i - 1);
            Token token(Kind::List);
            if (!body.empty() && body.front() == u'!') {
                token.kind = Kind::NotList;
                body.remove_prefix(1);
            }
            for (std::size_t k = 0; k < body.size(); ++k) {
                // "a-z" is a range; a hyphen first or last stands for itself.
                if (k + 2 < body.size() && body[k + 1] == u'-') {
                    token.set.push_back(body[k]);
                    token.set.push_back(body[k + 2]);
                    k += 2;
                } else {
                    token.set.push_back(body[k]);
                    token.set.push_back(body[k]);
                }
            }
            mTokens.push_back(std::move(token));
            i = close;
        } else {
            mTokens.emplace_back(Kind::Literal, c);
        }
    }
}

bool Pattern::Accepts(const Token& token, char16_t c) const {
    switch (token.kind) {
        case Kind::Literal: return c == token.literal;
        case Kind::AnyOne: return true;
        case Kind::Digit: return c >= u'0' && c <= u'9';
        case Kind::List:
        case Kind::NotList: {
            bool in = false;
            for (std::size_t k = 0; k + 1 < token.set.size() && !in; k += 2)
                in = c >= token.set[k] && c <= token.set[k + 1];
            return token.kind == Kind::List ? in : !in;
        }
        case Kind::AnyRun: return false;
    }
    return false;
}

bool Pattern::Matches(std::u16string_view text) const {
    if (!mValid) return false;
    // Every token but "*" consumes exactly one character, so backtracking to
    // the last star is enough: linear in practice, never exponential.
    std::size_t t = 0, p = 0;
    std::size_t starToken = std::u16string_view::npos, starText = 0;
    while (t < text.size()) {
        if (p < mTokens.size() && mTokens[p].kind == Kind::AnyRun) {
            starToken = p++;
            starText = t;
        } else if (p < mTokens.size() && Accepts(mTokens[p], text[t])) {
            ++p;
            ++t;
        } else if (starToken != std::u16string_view::npos) {
            p = starToken + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < mTokens.size() && mTokens[p].kind == Kind::AnyRun) ++p;
    return p == mTokens.size();
}

bool PatternMatch(std::u16string_view text, std::u16string_view pattern) {
    return Pattern(pattern).Matches(text);
}

}  // namespace pattern
