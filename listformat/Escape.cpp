#include "Escape.h"

#include "text/Text.h"

namespace listformat {

std::string EscapeControls(std::string_view utf8) {
    // One rule for every line the program writes: the network layer's.
    return text::ToUtf8(text::EscapeControls(text::FromUtf8(utf8)));
}

std::size_t CodePointCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

}  // namespace listformat
