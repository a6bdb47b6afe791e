#pragma once
// Marshals DCE/RPC request stubs in NDR (version 2, little-endian, 32-bit
// pointers). Every primitive is aligned to its own size, counted from the
// start of the stub, as the transfer syntax requires.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace smb {

class NdrWriter final {
public:
    void U8(std::uint8_t v);
    void U16(std::uint16_t v);
    void U32(std::uint32_t v);
    void Bytes(const std::uint8_t* data, std::size_t size);
    void Align(std::size_t n);

    // A referent id for a non-null embedded or top-level unique pointer; ids
    // only need to be distinct and non-zero.
    std::uint32_t Referent();
    void NullPointer() { U32(0); }

    // The body of a [string] wchar_t*: max count, offset 0, actual count, the
    // characters and the terminating NUL.
    void ConformantString(std::u16string_view s);
    // A top-level [in, string, unique] argument: null, or referent and body.
    void UniqueString(const std::optional<std::u16string>& s);

    // The body of a counted RPC_UNICODE_STRING buffer (no terminator):
    // max count, offset 0, actual count, characters.
    void CountedStringBody(std::u16string_view s);

    const std::vector<std::uint8_t>& Data() const { return mData; }
    std::vector<std::uint8_t> Take() { return std::move(mData); }
    std::size_t Size() const { return mData.size(); }

private:
    std::vector<std::uint8_t> mData;
    std::uint32_t mNextReferent = 0x00020000;
};

}  // namespace smb
