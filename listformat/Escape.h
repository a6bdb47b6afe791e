#pragma once
// Server text written as lines must not be able to start new lines, move the
// cursor or reorder what is shown: control characters (C0, DEL, C1) and the
// bidirectional embedding and isolate controls become visible escapes
// ("\r", "\n", "\t", "\x1b", "\u202e"), by text::EscapeControls; invalid
// UTF-8 becomes U+FFFD. Everything else passes unchanged.
#include <string>
#include <string_view>

namespace listformat {

std::string EscapeControls(std::string_view utf8);

// Code points in `utf8` (what a terminal column count approximates).
std::size_t CodePointCount(std::string_view utf8);

}  // namespace listformat
