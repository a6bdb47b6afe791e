#include "NdrWriter.h"

namespace smb {

void NdrWriter::U8(std::uint8_t v) { mData.push_back(v); }

void NdrWriter::U16(std::uint16_t v) {
    Align(2);
    mData.push_back(static_cast<std::uint8_t>(v));
    mData.push_back(static_cast<std::uint8_t>(v >> 8));
}

void NdrWriter::U32(std::uint32_t v) {
    Align(4);
    for (int i = 0; i < 4; ++i) mData.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void NdrWriter::Bytes(const std::uint8_t* data, std::size_t size) {
    mData.insert(mData.end(), data, data + size);
}

void NdrWriter::Align(std::size_t n) {
    while (mData.size() % n != 0) mData.push_back(0);
}

std::uint32_t NdrWriter::Referent() {
    const std::uint32_t id = mNextReferent;
    mNextReferent += 4;
    return id;
}

void NdrWriter::ConformantString(std::u16string_view s) {
    const auto count = static_cast<std::uint32_t>(s.size() + 1);
    U32(count);
    U32(0);
    U32(count);
    for (char16_t c : s) U16(static_cast<std::uint16_t>(c));
    U16(0);
}

void NdrWriter::UniqueString(const std::optional<std::u16string>& s) {
    if (!s) {
        NullPointer();
        return;
    }
    U32(Referent());
    ConformantString(*s);
}

void NdrWriter::CountedStringBody(std::u16string_view s) {
    const auto count = static_cast<std::uint32_t>(s.size());
    U32(count);
    U32(0);
    U32(count);
    for (char16_t c : s) U16(static_cast<std::uint16_t>(c));
}

}  // namespace smb
