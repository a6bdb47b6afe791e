#pragma once
// The one question the program asks a server's local security authority
// (lsarpc): which domain it belongs to, as pure
// functions over stubs like the samr operations. Handles and their closing
// are samr's: the same 20 bytes and the same reply layout.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "Samr.h"

namespace smb::lsa {

using netapi::NET_API_STATUS;
using Stub = std::vector<std::uint8_t>;
using Bytes = std::span<const std::uint8_t>;

constexpr std::uint16_t kOpClose = 0;
constexpr std::uint16_t kOpQueryInformationPolicy = 7;
constexpr std::uint16_t kOpOpenPolicy2 = 44;

constexpr std::uint32_t kPolicyViewLocalInformation = 0x00000001;
// Domain controllers answer the DNS level; member servers of Samba only the
// primary-domain level (NetBIOS name and SID).
constexpr std::uint16_t kPolicyPrimaryDomainInformation = 3;
constexpr std::uint16_t kPolicyDnsDomainInformation = 12;

// The domain a server belongs to. Without a SID it is a workgroup's name.
struct DomainInfo {
    std::u16string name;       // NetBIOS name, "OFFICE"
    std::u16string dnsDomain;  // "office.test" (DNS level only)
    std::u16string dnsForest;
    bool hasSid = false;
};

Stub EncodeOpenPolicy2(const std::u16string& server, std::uint32_t access);
Stub EncodeQueryDomain(const samr::Handle& policy, std::uint16_t level);
NET_API_STATUS DecodeQueryDomain(Bytes stub, std::uint16_t level, DomainInfo& out,
                                 std::uint32_t& ntstatus);

}  // namespace smb::lsa
