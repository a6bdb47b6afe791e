#include "LsaClient.h"

#include <type_traits>

#include "StatusMap.h"

namespace smb {

using netapi::NERR_Success;
using netapi::NET_API_STATUS;

NET_API_STATUS QueryDomain(RpcBinding& binding, const std::u16string& serverArg,
                           lsa::DomainInfo& out) {
    std::vector<std::uint8_t> reply;
    NET_API_STATUS status = binding.Call(
        lsa::kOpOpenPolicy2, lsa::EncodeOpenPolicy2(serverArg, lsa::kPolicyViewLocalInformation),
        reply);
    if (status != NERR_Success) return status;
    samr::Handle policy{};
    std::uint32_t nt = 0;
    if (samr::DecodeHandle(reply, policy, nt) != NERR_Success) return samr::RPC_S_PROTOCOL_ERROR;
    if (nt != samr::STATUS_SUCCESS) return NtStatusToStatus(nt);

    for (const std::uint16_t level :
         {lsa::kPolicyDnsDomainInformation, lsa::kPolicyPrimaryDomainInformation}) {
        status = binding.Call(lsa::kOpQueryInformationPolicy, lsa::EncodeQueryDomain(policy, level),
                              reply);
        if (status != NERR_Success) break;
        if (lsa::DecodeQueryDomain(reply, level, out, nt) != NERR_Success) {
            status = samr::RPC_S_PROTOCOL_ERROR;
            break;
        }
        status = NtStatusToStatus(nt);
        if (nt == samr::STATUS_SUCCESS) break;
    }
    // The policy handle is closed whatever the queries gave.
    std::vector<std::uint8_t> closed;
    binding.Call(lsa::kOpClose, samr::EncodeClose(policy), closed);
    return status;
}

namespace {

// Opens a policy handle for lookups, runs `lookup(policy)` and closes the
// handle whatever it gave.
template <typename Lookup>
NET_API_STATUS WithLookupPolicy(RpcBinding& binding, const std::u16string& serverArg,
                                Lookup lookup) {
    std::vector<std::uint8_t> reply;
    NET_API_STATUS status = binding.Call(
        lsa::kOpOpenPolicy2, lsa::EncodeOpenPolicy2(serverArg, lsa::kPolicyLookupNames), reply);
    if (status != NERR_Success) return status;
    samr::Handle policy{};
    std::uint32_t nt = 0;
    if (samr::DecodeHandle(reply, policy, nt) != NERR_Success) return samr::RPC_S_PROTOCOL_ERROR;
    if (nt != samr::STATUS_SUCCESS) return NtStatusToStatus(nt);
    status = lookup(policy);
    std::vector<std::uint8_t> closed;
    binding.Call(lsa::kOpClose, samr::EncodeClose(policy), closed);
    return status;
}

// The server's status for a lookup that answered: some or none mapped still
// carry answers.
NET_API_STATUS LookupStatus(std::uint32_t nt) {
    if (nt == samr::STATUS_SUCCESS) return NERR_Success;
    if (nt == lsa::STATUS_SOME_NOT_MAPPED) return netapi::ERROR_SOME_NOT_MAPPED;
    if (nt == samr::STATUS_NONE_MAPPED) return netapi::ERROR_NONE_MAPPED;
    return NtStatusToStatus(nt);
}

}  // namespace

// One lookup call under the lookup policy. Some or none mapped still carry
// answers; any other failure leaves no answers behind.
template <typename Question>
NET_API_STATUS LookupAccounts(RpcBinding& binding, const std::u16string& serverArg,
                              const std::vector<Question>& asked,
                              std::vector<netapi::AccountLookup>& out) {
    constexpr std::uint16_t opnum =
        std::is_same_v<Question, netapi::Sid> ? lsa::kOpLookupSids : lsa::kOpLookupNames;
    out.clear();
    if (asked.size() > lsa::kMaxLookups) return netapi::ERROR_INVALID_PARAMETER;
    return WithLookupPolicy(binding, serverArg, [&](const samr::Handle& policy) {
        std::vector<std::uint8_t> reply;
        NET_API_STATUS status = binding.Call(opnum, lsa::EncodeLookup(policy, asked), reply);
        if (status != NERR_Success) return status;
        std::uint32_t nt = 0;
        if (lsa::DecodeLookup(reply, asked, out, nt) != NERR_Success) return samr::RPC_S_PROTOCOL_ERROR;
        status = LookupStatus(nt);
        if (status != NERR_Success && status != netapi::ERROR_SOME_NOT_MAPPED &&
            status != netapi::ERROR_NONE_MAPPED)
            out.clear();
        return status;
    });
}

template NET_API_STATUS LookupAccounts(RpcBinding&, const std::u16string&,
                                       const std::vector<std::u16string>&,
                                       std::vector<netapi::AccountLookup>&);
template NET_API_STATUS LookupAccounts(RpcBinding&, const std::u16string&,
                                       const std::vector<netapi::Sid>&,
                                       std::vector<netapi::AccountLookup>&);

}  // namespace smb
