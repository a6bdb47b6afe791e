#pragma once
// Small text helpers shared by the Qt-free layers: every name and text crosses
// the network layer as UTF-16, while files, settings and the terminal speak UTF-8.
#include <string>
#include <string_view>

namespace text {

std::u16string FromUtf8(std::string_view s);
std::string ToUtf8(std::u16string_view s);

// Case mapping of single characters and whole strings, independent of the
// process locale (only C/POSIX locales exist on a fresh machine).
char16_t ToLowerChar(char16_t c);
char16_t ToUpperChar(char16_t c);
std::u16string ToLower(std::u16string_view s);
std::u16string ToUpper(std::u16string_view s);

// Leading and trailing blanks (the space character only, as the callers ask).
std::u16string TrimSpaces(std::u16string_view s);
std::string TrimSpaces(std::string_view s);

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// Convenience for tests and literals: u"..." is fine, but numbers need this.
std::u16string Number(long long value);

}  // namespace text
