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

// One lookup through the provider's `ask` (LookupNames or LookupSids),
// settled to one answer per question.
template <typename Question, typename Ask>
NET_API_STATUS Lookup(LPCWSTR servername, const std::vector<Question>& asked, Ask ask,
                      std::vector<AccountLookup>& out) {
    out.clear();
    if (asked.size() > kMaxLookupsPerCall) return ERROR_INVALID_PARAMETER;
    if (asked.empty()) return NERR_Success;
    auto answer = Carry<Answer<std::vector<AccountLookup>>>(
        false, [s = FromPointer(servername), asked, ask](Provider& p) {
            Answer<std::vector<AccountLookup>> a;
            a.status = (p.*ask)(s, asked, a.value);
            return a;
        });
    out = std::move(answer.value);
    return Settle(answer.status, asked.size(), out);
}

}  // namespace

NET_API_STATUS NetLookupAccountNames(LPCWSTR servername, const std::vector<std::u16string>& names,
                                     std::vector<AccountLookup>& out) {
    return Lookup(servername, names, &Provider::LookupNames, out);
}

NET_API_STATUS NetLookupAccountSids(LPCWSTR servername, const std::vector<Sid>& sids,
                                    std::vector<AccountLookup>& out) {
    const NET_API_STATUS status = Lookup(servername, sids, &Provider::LookupSids, out);
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
