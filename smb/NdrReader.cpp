#include "NdrReader.h"

#include <cstring>

namespace smb {

bool NdrReader::Need(std::size_t n) {
    if (!mOk || n > mData.size() - mPos) return Fail();
    return true;
}

bool NdrReader::Align(std::size_t n) {
    const std::size_t pad = (n - mPos % n) % n;
    if (!Need(pad)) return false;
    mPos += pad;
    return true;
}

bool NdrReader::Skip(std::size_t n) {
    if (!Need(n)) return false;
    mPos += n;
    return true;
}

bool NdrReader::Bytes(std::uint8_t* out, std::size_t n) {
    if (!Need(n)) return false;
    if (n != 0) std::memcpy(out, mData.data() + mPos, n);
    mPos += n;
    return true;
}

bool NdrReader::U8(std::uint8_t& v) {
    if (!Need(1)) return false;
    v = mData[mPos++];
    return true;
}

bool NdrReader::U16(std::uint16_t& v) {
    if (!Align(2) || !Need(2)) return false;
    v = static_cast<std::uint16_t>(mData[mPos] | (mData[mPos + 1] << 8));
    mPos += 2;
    return true;
}

bool NdrReader::U32(std::uint32_t& v) {
    if (!Align(4) || !Need(4)) return false;
    v = static_cast<std::uint32_t>(mData[mPos]) | static_cast<std::uint32_t>(mData[mPos + 1]) << 8 |
        static_cast<std::uint32_t>(mData[mPos + 2]) << 16 |
        static_cast<std::uint32_t>(mData[mPos + 3]) << 24;
    mPos += 4;
    return true;
}

bool NdrReader::Pointer(bool& present) {
    std::uint32_t referent = 0;
    if (!U32(referent)) return false;
    present = referent != 0;
    return true;
}

bool NdrReader::ConformantString(std::u16string& out) {
    std::uint32_t max = 0, offset = 0, actual = 0;
    if (!U32(max) || !U32(offset) || !U32(actual)) return false;
    if (offset != 0 || actual > max) return Fail();
    if (actual > (mData.size() - mPos) / 2) return Fail();
    // Characters are 2-byte aligned here: the counts before them were 4-byte words.
    const std::uint8_t* p = mData.data() + mPos;
    std::size_t length = 0;
    while (length < actual && (p[2 * length] | p[2 * length + 1]) != 0) ++length;
    out.resize(length);
    for (std::size_t i = 0; i < length; ++i)
        out[i] = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
    mPos += 2 * static_cast<std::size_t>(actual);
    return true;
}

bool NdrReader::OptionalString(bool present, std::optional<std::u16string>& out) {
    if (!present) {
        out.reset();
        return mOk;
    }
    std::u16string s;
    if (!ConformantString(s)) return false;
    out = std::move(s);
    return true;
}

bool NdrReader::CountedStringBody(std::uint16_t lengthBytes, std::u16string& out) {
    std::uint32_t max = 0, offset = 0, actual = 0;
    if (!U32(max) || !U32(offset) || !U32(actual)) return false;
    if (offset != 0 || actual > max || actual != lengthBytes / 2u) return Fail();
    if (actual > (mData.size() - mPos) / 2) return Fail();
    out.clear();
    out.reserve(actual);
    for (std::uint32_t i = 0; i < actual; ++i) {
        std::uint16_t c = 0;
        if (!U16(c)) return false;
        out.push_back(static_cast<char16_t>(c));
    }
    // Counted strings may carry a trailing NUL; the text ends before the first
    // NUL, as for every other string, so no layer sees a longer name than the
    // one shown.
    if (const auto nul = out.find(u'\0'); nul != std::u16string::npos) out.resize(nul);
    return true;
}

bool NdrReader::ArrayHeader(std::uint32_t count, std::size_t elementBytes) {
    std::uint32_t max = 0;
    if (!U32(max)) return false;
    if (max != count) return Fail();
    if (elementBytes != 0 && count > Remaining() / elementBytes) return Fail();
    return true;
}

}  // namespace smb
