#pragma once
// Packing an answer into the one buffer a call hands out: the records first,
// every string they point to behind them. Each buffer is counted from its
// allocation until NetApiBufferFree, so that tests can see none is lost.
#include <cstddef>
#include <cstdint>
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

// Packs records into one buffer: the records, then every string they point
// to; null when memory runs out. Made for each record the calls hand out.
template <typename Record, typename Value>
std::uint8_t* Pack(const Value* values, std::size_t count);

// The record a caller handed in, as a value.
UserInfo3 Unpack(const USER_INFO_3& i);
ShareDetails Unpack(const SHARE_INFO_2& i);
ShareDetails Unpack(const SHARE_INFO_502& i);
// A caller's self-relative descriptor, copied; nullopt for none or a header
// that is not one.
std::optional<std::vector<std::uint8_t>> UnpackDescriptor(PSECURITY_DESCRIPTOR sd);

}  // namespace netapi
