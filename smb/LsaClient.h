#pragma once
// Asks a server's local security authority which domain it belongs to.
#include <string>

#include "Lsa.h"
#include "RpcBinding.h"

namespace smb {

// The DNS level when the server answers it, else the primary-domain level.
netapi::NET_API_STATUS QueryDomain(RpcBinding& binding, const std::u16string& serverArg,
                                   lsa::DomainInfo& out);

}  // namespace smb
