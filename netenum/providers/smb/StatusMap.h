#pragma once
// Failures of the transport and of the account database, as the platform's
// codes, so that the program's failure lines read true on this platform.
#include <cstdint>

#include "netenum/netapi.h"

namespace smb {

// An errno from the SMB client library or the system.
netapi::NET_API_STATUS ErrnoToStatus(int error);

// The errno of a failed pipe open, which is where the logon and the
// connection happen: the SMB client library reports a refused logon as EACCES
// and a name it cannot resolve as EINVAL.
netapi::NET_API_STATUS OpenErrnoToStatus(int error);

// An NTSTATUS from a samr reply.
netapi::NET_API_STATUS NtStatusToStatus(std::uint32_t ntstatus);

}  // namespace smb
