#pragma once
// Asks a server's local security authority which domain it belongs to, and
// which accounts names and SIDs stand for.
#include <string>

#include "Lsa.h"
#include "LsaLookup.h"
#include "RpcBinding.h"

namespace smb {

// The DNS level when the server answers it, else the primary-domain level.
netapi::NET_API_STATUS QueryDomain(RpcBinding& binding, const std::u16string& serverArg,
                                   lsa::DomainInfo& out);

// Names to SIDs, or SIDs to names, on the server's own authority (for
// std::u16string and netapi::Sid questions); one answer per question. 0,
// ERROR_SOME_NOT_MAPPED or ERROR_NONE_MAPPED with answers.
template <typename Question>
netapi::NET_API_STATUS LookupAccounts(RpcBinding& binding, const std::u16string& serverArg,
                                      const std::vector<Question>& asked,
                                      std::vector<netapi::AccountLookup>& out);

}  // namespace smb
