#pragma once
// Account names and SIDs through a server's local security authority:
// LsarLookupNames and LsarLookupSids, as pure functions over stubs. The
// replies are untrusted: counts are checked against what arrived and
// against what was asked, indexes against the domain list.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "Samr.h"
#include "netenum/Provider.h"

namespace smb::lsa {

using Stub = std::vector<std::uint8_t>;
using Bytes = std::span<const std::uint8_t>;

constexpr std::uint16_t kOpLookupNames = 14;
constexpr std::uint16_t kOpLookupSids = 15;
constexpr std::uint32_t kPolicyLookupNames = 0x00000800;
constexpr std::uint32_t STATUS_SOME_NOT_MAPPED = 0x00000107;
// Names per call, as the interface's own range allows.
constexpr std::size_t kMaxLookups = 1000;

// Names to SIDs (LsarLookupNames) or SIDs to names (LsarLookupSids), by
// what is asked.
Stub EncodeLookup(const samr::Handle& policy, const std::vector<std::u16string>& names);
Stub EncodeLookup(const samr::Handle& policy, const std::vector<netapi::Sid>& sids);
// One answer per question, in order; `ntstatus` is the server's.
netapi::NET_API_STATUS DecodeLookup(Bytes stub, const std::vector<std::u16string>& asked,
                                    std::vector<netapi::AccountLookup>& out,
                                    std::uint32_t& ntstatus);
netapi::NET_API_STATUS DecodeLookup(Bytes stub, const std::vector<netapi::Sid>& asked,
                                    std::vector<netapi::AccountLookup>& out,
                                    std::uint32_t& ntstatus);

}  // namespace smb::lsa
