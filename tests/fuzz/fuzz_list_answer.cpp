// What a child hands its parent (the list mode, Find on All Computers): the
// parent reads it as untrusted bytes (the child talked to a server), so any
// input must either be refused or read back whole, every cell inside it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "search/ServerAnswer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    search::ServerAnswer answer;
    if (!search::DecodeAnswer(bytes, answer)) return 0;
    std::size_t cells = 0, text = 0;
    if (!answer.ForEachCell([&](std::string_view cell) {
            ++cells;
            text += cell.size();
        }))
        __builtin_trap();
    if (cells != answer.cellCount || text + 4 * cells != answer.cells.size()) __builtin_trap();
    // What was read is exactly what was sent.
    if (search::EncodeAnswer(answer) != bytes) __builtin_trap();
    return 0;
}
