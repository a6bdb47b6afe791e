#include "Text.h"

#include <unicode/uchar.h>

namespace text {

std::u16string FromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(s[at]); };
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = byte(i);
        char32_t cp = c;
        std::size_t len = 1;
        if (c >= 0x80) {
            std::size_t more = 0;
            char32_t least = 0;
            if ((c & 0xE0) == 0xC0) {
                more = 1, cp = c & 0x1Fu, least = 0x80;
            } else if ((c & 0xF0) == 0xE0) {
                more = 2, cp = c & 0x0Fu, least = 0x800;
            } else if ((c & 0xF8) == 0xF0) {
                more = 3, cp = c & 0x07u, least = 0x10000;
            }
            bool valid = more != 0 && i + more < s.size();
            for (std::size_t k = 1; valid && k <= more; ++k) {
                if ((byte(i + k) & 0xC0) != 0x80) valid = false;
                else cp = cp << 6 | (byte(i + k) & 0x3Fu);
            }
            // The shortest form only: over-long ones are how "/" or NUL get past filters.
            valid = valid && cp >= least && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
            if (valid) {
                len = more + 1;
            } else {
                cp = 0xFFFD;
            }
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string ToUtf8(std::u16string_view s) {
    std::string out;
    AppendUtf8(out, s);
    return out;
}

void AppendUtf8(std::string& out, std::u16string_view s) {
    out.reserve(out.size() + s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;  // a lone surrogate cannot be written as UTF-8
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

namespace {

bool IsHigh(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Maps every character of `s`, a surrogate pair as one character.
template <typename Map>
std::u16string MapChars(std::u16string_view s, Map map) {
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c < 0x80) {
            out.push_back(static_cast<char16_t>(map(c)));
            continue;
        }
        if (IsHigh(c) && i + 1 < s.size() && IsLow(s[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        } else if (IsHigh(c) || IsLow(c)) {
            out.push_back(static_cast<char16_t>(c));  // a lone half maps to itself
            continue;
        }
        const char32_t m = map(c);
        if (m >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((m - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((m - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(m));
        }
    }
    return out;
}

char32_t Lower(char32_t c) { return static_cast<char32_t>(u_tolower(static_cast<UChar32>(c))); }
char32_t Upper(char32_t c) { return static_cast<char32_t>(u_toupper(static_cast<UChar32>(c))); }
char32_t Fold(char32_t c) {
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

// One BMP character mapped, kept as it was when the mapping leaves the BMP.
char16_t MapBmp(char16_t c, char32_t (*map)(char32_t)) {
    if (IsHigh(c) || IsLow(c)) return c;
    const char32_t m = map(c);
    return m <= 0xFFFF ? static_cast<char16_t>(m) : c;
}

}  // namespace

char16_t ToLowerChar(char16_t c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    return MapBmp(c, Lower);
}

char16_t ToUpperChar(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    return MapBmp(c, Upper);
}

std::u16string ToLower(std::u16string_view s) { return MapChars(s, Lower); }
std::u16string ToUpper(std::u16string_view s) { return MapChars(s, Upper); }
std::u16string FoldCase(std::u16string_view s) { return MapChars(s, Fold); }

namespace {
template <typename View>
View Trimmed(View s) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}
}  // namespace

std::u16string JoinLineParts(std::u16string_view s) {
    std::u16string joined;
    std::size_t start = 0;
    while (start < s.size()) {
        std::size_t end = s.find(u"\r\n", start);
        if (end == std::u16string_view::npos) end = s.size();
        if (end > start) {
            if (!joined.empty()) joined += u' ';
            joined.append(s.substr(start, end - start));
        }
        start = end + 2;
    }
    return joined;
}

std::u16string_view StripUnc(std::u16string_view name) {
    if (name.size() >= 2 && name[0] == u'\\' && name[1] == u'\\') name.remove_prefix(2);
    return name;
}

std::u16string UncName(std::u16string_view name) {
    while (!name.empty() && name.front() == u'\\') name.remove_prefix(1);
    return u"\\\\" + std::u16string(name);
}

std::u16string TrimSpaces(std::u16string_view s) { return std::u16string(Trimmed(s)); }
std::string TrimSpaces(std::string_view s) { return std::string(Trimmed(s)); }

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && ToLowerChar(a[i]) != ToLowerChar(b[i])) return false;
    return true;
}

namespace {

bool Escaped(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F || c == 0x061C ||
           c == 0x2028 || c == 0x2029;
}

}  // namespace

bool NeedsEscape(std::u16string_view s) {
    for (const char16_t c : s)
        if (Escaped(c)) return true;
    return false;
}

std::u16string EscapeControls(std::u16string_view s) {
    if (!NeedsEscape(s)) return std::u16string(s);
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    std::u16string out;
    out.reserve(s.size() + 16);
    for (const char16_t c : s) {
        if (!Escaped(c)) {
            out.push_back(c);
        } else if (c == u'\r') {
            out += u"\\r";
        } else if (c == u'\n') {
            out += u"\\n";
        } else if (c == u'\t') {
            out += u"\\t";
        } else if (c <= 0xFF) {
            out += u"\\x";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        } else {
            out += u"\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(c >> shift) & 0xF]);
        }
    }
    return out;
}

std::u16string Number(long long value) {
    const std::string s = std::to_string(value);
    return std::u16string(s.begin(), s.end());
}

}  // namespace text
