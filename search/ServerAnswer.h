#pragma once
// One computer's answer as it travels: its cells, row after row, and its
// failure lines, in one flat buffer; and the wire form a child process that
// asked the computer writes it back in.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace search {

// What one server answered: its cells, row after row, each a 4-byte length
// and its UTF-8 text in one buffer (no object per cell: a list can have
// 100,000 rows), and its failure lines.
struct ServerAnswer {
    std::string cells;
    std::size_t cellCount = 0;
    std::vector<std::string> failures;

    void Add(std::string_view cell);
    void Add(std::u16string_view cell);  // written as UTF-8
    // Visits every cell in order; false when the buffer is damaged.
    template <typename Visit>
    bool ForEachCell(Visit&& visit) const;
};

template <typename Visit>
bool ServerAnswer::ForEachCell(Visit&& visit) const {
    std::size_t at = 0;
    for (std::size_t i = 0; i < cellCount; ++i) {
        std::uint32_t length = 0;
        if (cells.size() - at < sizeof length) return false;
        std::memcpy(&length, cells.data() + at, sizeof length);
        at += sizeof length;
        if (cells.size() - at < length) return false;
        visit(std::string_view(cells.data() + at, length));
        at += length;
    }
    return at == cells.size();
}

// The wire form between child and parent (exposed for tests).
std::string EncodeAnswer(const ServerAnswer& answer);
bool DecodeAnswer(std::string_view bytes, ServerAnswer& answer);
// A child's last act: its answer's wire form, whole, down `fd`; false when
// the other end is gone.
bool WriteAnswer(int fd, const ServerAnswer& answer);

}  // namespace search
