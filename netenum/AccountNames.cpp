#include "AccountNames.h"

#include "CallDispatch.h"

namespace netapi {
namespace {

// A provider's answer brought to the caller's shape: one entry per question,
// whatever the provider handed back.
NET_API_STATUS Settle(NET_API_STATUS status, std::size_t asked, std::vector<AccountLookup>& out) {
    const bool answered = status == NERR_Success || status == ERROR_SOME_NOT_MAPPED ||
                          status == ERROR_NONE_MAPPED;
    if (!answered || out.size() != asked) {
        out.clear();
        return answered ? RPC_X_BAD_STUB_DATA : status;
    }
    std::size_t resolved = 0;
    for (const auto& a : out) resolved += a.resolved ? 1 : 0;
    if (resolved == asked) return NERR_Success;
    return resolved == 0 ? ERROR_NONE_MAPPED : ERROR_SOME_NOT_MAPPED;
}

}  // namespace

NET_API_STATUS NetLookupAccountNames(LPCWSTR servername, const std::vector<std::u16string>& names,
                                     std::vector<AccountLookup>& out) {
    out.clear();
    if (names.size() > kMaxLookupsPerCall) return ERROR_INVALID_PARAMETER;
    if (names.empty()) return NERR_Success;
    auto answer = Carry<Answer<std::vector<AccountLookup>>>(
        false, [s = FromPointer(servername), names](Provider& p) {
            Answer<std::vector<AccountLookup>> a;
            a.status = p.LookupNames(s, names, a.value);
            return a;
        });
    out = std::move(answer.value);
    return Settle(answer.status, names.size(), out);
}

NET_API_STATUS NetLookupAccountSids(LPCWSTR servername, const std::vector<Sid>& sids,
                                    std::vector<AccountLookup>& out) {
    out.clear();
    if (sids.size() > kMaxLookupsPerCall) return ERROR_INVALID_PARAMETER;
    if (sids.empty()) return NERR_Success;
    auto answer = Carry<Answer<std::vector<AccountLookup>>>(
        false, [s = FromPointer(servername), sids](Provider& p) {
            Answer<std::vector<AccountLookup>> a;
            a.status = p.LookupSids(s, sids, a.value);
            return a;
        });
    out = std::move(answer.value);
    const NET_API_STATUS status = Settle(answer.status, sids.size(), out);
    // Whatever the provider wrote, each answer keeps the SID that was asked.
    for (std::size_t i = 0; i < out.size(); ++i) out[i].sid = sids[i];
    return status;
}

std::u16string DisplayName(const AccountLookup& account) {
    if (!account.resolved || account.name.empty()) return account.sid.ToString();
    if (account.domain.empty()) return account.name;
    return account.domain + u"\\" + account.name;
}

}  // namespace netapi
