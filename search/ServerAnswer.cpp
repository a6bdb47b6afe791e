#include "ServerAnswer.h"

#include <unistd.h>

#include <cerrno>

#include "Wire.h"
#include "text/Text.h"

namespace search {
void ServerAnswer::Add(std::string_view cell) {
    PutCount(cells, cell.size());
    cells += cell;
    ++cellCount;
}

void ServerAnswer::Add(std::u16string_view cell) {
    const std::size_t lengthAt = cells.size();
    PutCount(cells, 0);
    text::AppendUtf8(cells, cell);
    const auto length = static_cast<std::uint32_t>(cells.size() - lengthAt - sizeof(std::uint32_t));
    std::memcpy(cells.data() + lengthAt, &length, sizeof length);
    ++cellCount;
}

std::string EncodeAnswer(const ServerAnswer& answer) {
    std::string out;
    PutCount(out, answer.cellCount);
    PutText(out, answer.cells);
    PutCount(out, answer.failures.size());
    for (const auto& line : answer.failures) PutText(out, line);
    return out;
}

bool WriteAnswer(int fd, const ServerAnswer& answer) {
    const std::string bytes = EncodeAnswer(answer);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool DecodeAnswer(std::string_view bytes, ServerAnswer& answer) {
    Reader in(bytes);
    answer = {};
    std::uint32_t cells = 0;
    if (!in.Count(cells) || !in.Text(answer.cells)) return false;
    answer.cellCount = cells;
    // The cells must be whole: the reader trusts their lengths afterwards.
    if (!answer.ForEachCell([](std::string_view) {})) return false;
    std::uint32_t failures = 0;
    // Every count is checked against what is left, so a bad count cannot
    // make the reader reserve more than the bytes could hold.
    if (!in.Count(failures) || failures > in.Left() / 4) return false;
    answer.failures.resize(failures);
    for (auto& line : answer.failures)
        if (!in.Text(line)) return false;
    return in.AtEnd();
}

}  // namespace search
