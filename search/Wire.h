#pragma once
// The byte form of what passes between the program and its child processes:
// counts as 4 bytes, texts as a count and their bytes. Reading checks every
// count against what is left, so a damaged message is refused, never trusted.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace search {

inline void PutCount(std::string& out, std::size_t n) {
    const auto v = static_cast<std::uint32_t>(n);
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

inline void PutText(std::string& out, std::string_view text) {
    PutCount(out, text.size());
    out += text;
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : mBytes(bytes) {}

    bool Count(std::uint32_t& n) {
        if (mBytes.size() - mAt < sizeof n) return false;
        std::memcpy(&n, mBytes.data() + mAt, sizeof n);
        mAt += sizeof n;
        return true;
    }
    bool Text(std::string& text) {
        std::uint32_t n = 0;
        if (!Count(n) || mBytes.size() - mAt < n) return false;
        text.assign(mBytes.data() + mAt, n);
        mAt += n;
        return true;
    }
    bool AtEnd() const { return mAt == mBytes.size(); }
    std::size_t Left() const { return mBytes.size() - mAt; }

private:
    std::string_view mBytes;
    std::size_t mAt = 0;
};

}  // namespace search
