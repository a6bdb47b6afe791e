#include "Escape.h"

#include <algorithm>
#include <cstdint>

namespace listformat {
namespace {

constexpr char kHex[] = "0123456789abcdef";

// Length of the UTF-8 sequence that starts with `lead`; 1 for a stray byte,
// which then passes through as it came.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0xC0) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

bool IsBidiControl(std::uint32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string EscapeControls(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x20 || lead == 0x7F) {
            switch (lead) {
                case '\r': out += "\\r"; break;
                case '\n': out += "\\n"; break;
                case '\t': out += "\\t"; break;
                default:
                    out += "\\x";
                    out += kHex[lead >> 4];
                    out += kHex[lead & 0xF];
            }
            ++i;
            continue;
        }
        const std::size_t length = std::min(SequenceLength(lead), utf8.size() - i);
        std::uint32_t c = lead;
        if (length == 2) c = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
        if (length == 3)
            c = ((lead & 0x0Fu) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
                (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
        if (length == 2 && c >= 0x80 && c <= 0x9F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else if (length == 3 && IsBidiControl(c)) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
        } else {
            out.append(utf8, i, length);
        }
        i += length;
    }
    return out;
}

std::size_t CodePointCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

}  // namespace listformat
