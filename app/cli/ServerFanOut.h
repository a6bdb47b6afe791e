#pragma once
// Asking several servers at once. Each server is asked in a child process of
// its own: the network backends keep one connection per server and are made
// for one thread, a process per server shares nothing with the others, and a
// server that makes its child fail or hang spoils only its own answer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

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

// Runs `ask` for every server, at most `atOnce` at a time, and gives the
// answers in the order of `servers`. With two or more, `ask` runs in a child
// process per server: what it changes in memory stays there, and a child that
// ends abnormally answers one failure line. A single server is asked in this
// process unless `apart` (a caller that must open no connection of its own).
// Must be called before the caller has opened any connection.
std::vector<ServerAnswer> AskEachServer(const std::vector<std::u16string>& servers,
                                        const std::function<ServerAnswer(const std::u16string&)>& ask,
                                        std::size_t atOnce, bool apart = false);

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

}  // namespace app
