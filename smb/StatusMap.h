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

// The NTSTATUS of a failed connection, logon or pipe open; `reached`: the
// server answered on this connection or an earlier one.
netapi::NET_API_STATUS OpenNtStatusToStatus(std::uint32_t ntstatus, bool reached);

// The NTSTATUS of a failed call on a bound pipe (a fault from the server, or
// the transport).
netapi::NET_API_STATUS CallNtStatusToStatus(std::uint32_t ntstatus);

// An NTSTATUS from a samr or lsarpc reply; one without a platform code of
// its own stays as it is (0xC...).
netapi::NET_API_STATUS NtStatusToStatus(std::uint32_t ntstatus);

}  // namespace smb
