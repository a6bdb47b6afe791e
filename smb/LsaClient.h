#pragma once
// Asks a server's local security authority which domain it belongs to.
#include <string>

#include "Lsa.h"
#include "LsaLookup.h"
#include "RpcBinding.h"

namespace smb {

// The DNS level when the server answers it, else the primary-domain level.
netapi::NET_API_STATUS QueryDomain(RpcBinding& binding, const std::u16string& serverArg,
                                   lsa::DomainInfo& out);

// Names to SIDs and SIDs to names on the server's own authority; one answer
// per question. 0, ERROR_SOME_NOT_MAPPED or ERROR_NONE_MAPPED with answers.
netapi::NET_API_STATUS LookupNames(RpcBinding& binding, const std::u16string& serverArg,
                                   const std::vector<std::u16string>& names,
                                   std::vector<netapi::AccountLookup>& out);
netapi::NET_API_STATUS LookupSids(RpcBinding& binding, const std::u16string& serverArg,
                                  const std::vector<netapi::Sid>& sids,
                                  std::vector<netapi::AccountLookup>& out);

}  // namespace smb
