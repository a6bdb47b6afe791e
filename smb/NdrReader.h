#pragma once
// Unmarshals NDR reply stubs from an untrusted server. Every read is bounds-
// checked; the first failure sticks, so a decoder can read a whole structure
// and test ok() once. Nothing is ever read past the end of the input.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace smb {

// The header of an RPC_UNICODE_STRING: lengths in bytes, and whether its
// buffer follows (deferred, behind the structure that holds the header).
struct CountedHeader {
    std::uint16_t length = 0;
    std::uint16_t size = 0;
    bool present = false;
};

class NdrReader final {
public:
    explicit NdrReader(std::span<const std::uint8_t> data) : mData(data) {}

    bool U8(std::uint8_t& v);
    bool U16(std::uint16_t& v);
    bool U32(std::uint32_t& v);
    bool Align(std::size_t n);
    bool Skip(std::size_t n);
    bool Bytes(std::uint8_t* out, std::size_t n);

    // A unique or full pointer: its referent id, non-zero when the pointee follows.
    bool Pointer(bool& present);

    // The body of a [string] wchar_t* (max count, offset, actual count,
    // characters). Text stops at the first NUL.
    bool ConformantString(std::u16string& out);
    // The deferred body of an optional string: read only when its pointer was set.
    bool OptionalString(bool present, std::optional<std::u16string>& out);

    // The body of an RPC_UNICODE_STRING buffer whose header gave `lengthBytes`.
    bool CountedStringBody(std::uint16_t lengthBytes, std::u16string& out);
    bool CountedStringHeader(CountedHeader& h) {
        return U16(h.length) && U16(h.size) && Pointer(h.present);
    }
    // The deferred buffer of the string whose header was `h`; empty text when
    // it had none.
    bool CountedString(const CountedHeader& h, std::u16string& out) {
        out.clear();
        if (!h.present) return ok();
        return CountedStringBody(h.length, out);
    }

    // The conformance of an array of `count` elements of `elementBytes` each:
    // checks the max count matches and that the elements can fit in what is
    // left, so callers may reserve `count` without trusting the server.
    bool ArrayHeader(std::uint32_t count, std::size_t elementBytes);

    // A query's reply: a pointer to the answer, the answer (`readAnswer()`,
    // false when malformed), then the server's NTSTATUS. A success that
    // carries no answer is malformed too.
    template <typename ReadAnswer>
    bool AnswerThenStatus(std::uint32_t& ntstatus, ReadAnswer readAnswer) {
        bool present = false;
        if (!Pointer(present) || (present && !readAnswer()) || !U32(ntstatus)) return false;
        return present || ntstatus != 0;
    }

    bool Fail() { mOk = false; return false; }
    bool ok() const { return mOk; }
    std::size_t Offset() const { return mPos; }
    std::size_t Remaining() const { return mOk ? mData.size() - mPos : 0; }

private:
    bool Need(std::size_t n);

    std::span<const std::uint8_t> mData;
    std::size_t mPos = 0;
    bool mOk = true;
};

}  // namespace smb
