#pragma once
// Packing an answer into the one buffer a call hands out: the records first,
// every string they point to behind them. Each buffer is counted from its
// allocation until NetApiBufferFree, so that tests can see none is lost.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "NetTypes.h"
#include "Provider.h"

namespace netapi {

// A zeroed block, at least one byte, counted as live until freed; null when
// memory runs out.
std::uint8_t* Allocate(std::size_t bytes);

inline OptString FromPointer(LPCWSTR s) {
    if (s == nullptr) return std::nullopt;
    return std::u16string(s);
}

// Two passes over the records: the first measures the strings, the second
// copies them behind the records into the one allocation.
class Cursor {
public:
    explicit Cursor(std::uint8_t* at) : mAt(at), mMeasure(at == nullptr) {}

    LPWSTR Str(const OptString& s) {
        if (!s) return nullptr;
        const std::size_t bytes = (s->size() + 1) * sizeof(char16_t);
        mBytes += bytes;
        if (mMeasure) return nullptr;
        auto* d = reinterpret_cast<char16_t*>(mAt);
        if (!s->empty()) std::memcpy(d, s->data(), s->size() * sizeof(char16_t));
        d[s->size()] = 0;
        mAt += bytes;
        return d;
    }

    LPBYTE Bytes(const std::optional<std::vector<std::uint8_t>>& b) {
        if (!b) return nullptr;
        const std::size_t bytes = (b->size() + 1) & ~std::size_t{1};  // keep strings aligned
        mBytes += bytes;
        if (mMeasure) return nullptr;
        auto* d = mAt;
        if (!b->empty()) std::memcpy(d, b->data(), b->size());
        mAt += bytes;
        return d;
    }

    std::size_t Measured() const { return mBytes; }

private:
    std::uint8_t* mAt;
    bool mMeasure;
    std::size_t mBytes = 0;
};

// Designated initialisers: the strings are copied in the order the fields
// stand, the same in the measuring pass as in the writing one.
void Fill(FILE_INFO_3& o, const FileInfo3& r, Cursor& c);
void Fill(SESSION_INFO_502& o, const SessionInfo502& r, Cursor& c);
void Fill(SESSION_INFO_10& o, const SessionInfo502& r, Cursor& c);
void Fill(SHARE_INFO_1& o, const ShareInfo2& r, Cursor& c);
void Fill(SHARE_INFO_2& o, const ShareInfo2& r, Cursor& c);
void Fill(WTS_SESSION_INFOW& o, const DesktopSession& r, Cursor& c);
void Fill(CONNECTION_INFO_1& o, const ConnectionInfo1& r, Cursor& c);
void Fill(SERVER_INFO_101& o, const ServerInfo101& r, Cursor& c);
void Fill(TIME_OF_DAY_INFO& o, const TimeOfDay& r, Cursor& c);
void Fill(USER_INFO_3& o, const UserInfo3& r, Cursor& c);

// The record a caller handed in, as a value.
UserInfo3 Unpack(const USER_INFO_3& i);

constexpr std::size_t AlignUp(std::size_t n) {
    return (n + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
}

// Packs records into one buffer: the records, then every string they point to.
template <typename Record, typename Value>
std::uint8_t* Pack(const Value* values, std::size_t count) {
    Cursor measure(nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        Record scratch{};
        Fill(scratch, values[i], measure);
    }
    const std::size_t recordBytes = AlignUp(count * sizeof(Record));
    std::uint8_t* base = Allocate(recordBytes + measure.Measured());
    if (base == nullptr) return nullptr;
    Cursor write(base + recordBytes);
    auto* records = reinterpret_cast<Record*>(base);
    for (std::size_t i = 0; i < count; ++i) Fill(records[i], values[i], write);
    return base;
}

}  // namespace netapi
