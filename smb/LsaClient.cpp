#include "LsaClient.h"

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

namespace {

// One lookup call under the lookup policy. Some or none mapped still carry
// answers; any other failure leaves no answers behind.
template <typename Encode, typename Decode>
NET_API_STATUS Lookup(RpcBinding& binding, const std::u16string& serverArg, std::size_t count,
                      std::uint16_t opnum, Encode encode, Decode decode,
                      std::vector<netapi::AccountLookup>& out) {
    out.clear();
    if (count > lsa::kMaxLookups) return netapi::ERROR_INVALID_PARAMETER;
    return WithLookupPolicy(binding, serverArg, [&](const samr::Handle& policy) {
        std::vector<std::uint8_t> reply;
        NET_API_STATUS status = binding.Call(opnum, encode(policy), reply);
        if (status != NERR_Success) return status;
        std::uint32_t nt = 0;
        if (decode(reply, nt) != NERR_Success) return samr::RPC_S_PROTOCOL_ERROR;
        status = LookupStatus(nt);
        if (status != NERR_Success && status != netapi::ERROR_SOME_NOT_MAPPED &&
            status != netapi::ERROR_NONE_MAPPED)
            out.clear();
        return status;
    });
}

}  // namespace

NET_API_STATUS LookupNames(RpcBinding& binding, const std::u16string& serverArg,
                           const std::vector<std::u16string>& names,
                           std::vector<netapi::AccountLookup>& out) {
    return Lookup(
        binding, serverArg, names.size(), lsa::kOpLookupNames,
        [&](const samr::Handle& policy) { return lsa::EncodeLookupNames(policy, names); },
        [&](const std::vector<std::uint8_t>& reply, std::uint32_t& nt) {
            return lsa::DecodeLookupNames(reply, names.size(), out, nt);
        },
        out);
}

NET_API_STATUS LookupSids(RpcBinding& binding, const std::u16string& serverArg,
                          const std::vector<netapi::Sid>& sids,
                          std::vector<netapi::AccountLookup>& out) {
    return Lookup(
        binding, serverArg, sids.size(), lsa::kOpLookupSids,
        [&](const samr::Handle& policy) { return lsa::EncodeLookupSids(policy, sids); },
        [&](const std::vector<std::uint8_t>& reply, std::uint32_t& nt) {
            return lsa::DecodeLookupSids(reply, sids, out, nt);
        },
        out);
}

}  // namespace smb
