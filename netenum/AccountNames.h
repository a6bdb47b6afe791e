#pragma once
// Accounts by name and by SID, as one server's own authority knows them
// (lsarpc on that server, the same connection the share calls use). For
// share permissions: the administrator types names, descriptors hold SIDs.
//
//     std::vector<netapi::AccountLookup> found;
//     status = netapi::NetLookupAccountNames(u"FILES1", {u"alice", u"OFFICE\\Sales"}, found);
//
// Each answer stands at the position of its question, whatever the status:
// 0 (all resolved), ERROR_SOME_NOT_MAPPED, ERROR_NONE_MAPPED, or a call's
// failure (then `out` is empty). An unresolved SID keeps its SID and is
// shown by DisplayName as "S-1-5-21-...".
#include <string>
#include <vector>

#include "Provider.h"

namespace netapi {

// At most this many names or SIDs per call; more are refused with 87.
constexpr std::size_t kMaxLookupsPerCall = 1000;

NET_API_STATUS NetLookupAccountNames(LPCWSTR servername, const std::vector<std::u16string>& names,
                                     std::vector<AccountLookup>& out);
NET_API_STATUS NetLookupAccountSids(LPCWSTR servername, const std::vector<Sid>& sids,
                                    std::vector<AccountLookup>& out);

// "DOMAIN\name", "name" when the server gave no domain, the SID string when
// it gave no name.
std::u16string DisplayName(const AccountLookup& account);

}  // namespace netapi
