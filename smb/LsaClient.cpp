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

}  // namespace smb
