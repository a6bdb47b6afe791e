#pragma once
// Small text helpers shared by the Qt-free layers: every name and text crosses
// the network layer as UTF-16, while files, settings and the terminal speak UTF-8.
#include <string>
#include <string_view>

namespace text {

// Invalid UTF-8 (stray or missing continuation bytes, over-long forms such as
// C0 AF for "/", surrogates, values past U+10FFFF) becomes U+FFFD, one per
// offending byte, so no other character can be smuggled in.
std::u16string FromUtf8(std::string_view s);
std::string ToUtf8(std::u16string_view s);
// ToUtf8 onto the end of `out`.
void AppendUtf8(std::string& out, std::u16string_view s);

// Case mapping of single characters and whole strings: Unicode's simple
// mappings, independent of the process locale (only C/POSIX locales exist on a
// fresh machine). Strings map surrogate pairs as one character.
char16_t ToLowerChar(char16_t c);
char16_t ToUpperChar(char16_t c);
std::u16string ToLower(std::u16string_view s);
std::u16string ToUpper(std::u16string_view s);
// Unicode simple case folding, for comparisons that ignore case.
std::u16string FoldCase(std::u16string_view s);

// Leading and trailing blanks (the space character only, as the callers ask).
std::u16string TrimSpaces(std::u16string_view s);
std::string TrimSpaces(std::string_view s);
// A "\\" prefix (exactly two backslashes: "\\PC1" names PC1) removed, if present.
std::u16string_view StripUnc(std::u16string_view name);
// A computer name as "\\NAME", whether it came bare or with backslashes
// already (Windows gives session clients as "\\10.0.0.5", Samba bare).
std::u16string UncName(std::u16string_view name);

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// Text from a server as part of one line of a log, a terminal or the pane:
// C0 and C1 controls and DEL become \r, \n, \t or \xNN; the bidi controls and
// the line and paragraph separators become \uNNNN. So a name can neither
// start a forged line nor reorder how a line reads. Everything else, the
// backslash included, stays as it was.
bool NeedsEscape(std::u16string_view s);
std::u16string EscapeControls(std::u16string_view s);

// A failure line made one line: the parts between CR LF joined by a blank,
// empty parts dropped (an advice line follows its code that way).
std::u16string JoinLineParts(std::u16string_view s);

// Convenience for tests and literals: u"..." is fine, but numbers need this.
std::u16string Number(long long value);

}  // namespace text
