#include "StatusMap.h"

#include <cerrno>

namespace smb {

netapi::NET_API_STATUS ErrnoToStatus(int error) {
    switch (error) {
    case 0: return netapi::NERR_Success;
    // The computer cannot be reached or does not serve SMB.
    case ECONNREFUSED:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ETIMEDOUT:
    case ENOTCONN:
    case EADDRNOTAVAIL:
        return netapi::ERROR_BAD_NETPATH;
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
        return netapi::ERROR_NETNAME_DELETED;
    case EPERM:
    case EACCES:
        return netapi::ERROR_ACCESS_DENIED;
    case ENOENT: return netapi::RPC_S_SERVER_UNAVAILABLE;  // no such pipe on the server
    case ENOMEM: return netapi::ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return netapi::ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return 111;  // ERROR_BUFFER_OVERFLOW
    case EBADF: return 6;           // ERROR_INVALID_HANDLE
    case EIO: return 59;            // ERROR_UNEXP_NET_ERR
    default: return 59;
    }
}

netapi::NET_API_STATUS OpenErrnoToStatus(int error) {
    switch (error) {
    case EPERM:
    case EACCES:
        return netapi::ERROR_LOGON_FAILURE;
    case EINVAL:
        return netapi::ERROR_BAD_NETPATH;
    default:
        return ErrnoToStatus(error);
    }
}

netapi::NET_API_STATUS OpenNtStatusToStatus(std::uint32_t ntstatus, bool reached) {
    switch (ntstatus) {
    case 0x00000000: return netapi::NERR_Success;
    case 0xC000006D:  // STATUS_LOGON_FAILURE
    case 0xC000006A:  // STATUS_WRONG_PASSWORD
    case 0xC0000064:  // STATUS_NO_SUCH_USER
    case 0xC000006E:  // STATUS_ACCOUNT_RESTRICTION
    case 0xC000006F:  // STATUS_INVALID_LOGON_HOURS
    case 0xC0000070:  // STATUS_INVALID_WORKSTATION
    case 0xC0000071:  // STATUS_PASSWORD_EXPIRED
    case 0xC0000072:  // STATUS_ACCOUNT_DISABLED
    case 0xC0000193:  // STATUS_ACCOUNT_EXPIRED
    case 0xC0000224:  // STATUS_PASSWORD_MUST_CHANGE
    case 0xC0000234:  // STATUS_ACCOUNT_LOCKED_OUT
    case 0xC000015B:  // STATUS_LOGON_TYPE_NOT_GRANTED
        return netapi::ERROR_LOGON_FAILURE;
    case 0xC0000022:  // STATUS_ACCESS_DENIED
    case 0xC00000CA:  // STATUS_NETWORK_ACCESS_DENIED
        return netapi::ERROR_ACCESS_DENIED;
    // A name that does not resolve and a pipe the server does not have (Samba
    // has no terminal services, for one) give the same status: only a server
    // reached before has a missing pipe.
    case 0xC0000034:  // STATUS_OBJECT_NAME_NOT_FOUND
    case 0xC0020017:  // STATUS_RPC_SERVER_UNAVAILABLE
        return reached ? netapi::RPC_S_SERVER_UNAVAILABLE : netapi::ERROR_BAD_NETPATH;
    case 0xC0020012:  // STATUS_RPC_UNKNOWN_IF: the pipe does not serve the interface
        return reached ? 1717 : netapi::ERROR_BAD_NETPATH;
    default:
        // Anything else while connecting (refused, unreachable, timed out,
        // cut): the computer was not reached.
        return netapi::ERROR_BAD_NETPATH;
    }
}

netapi::NET_API_STATUS CallNtStatusToStatus(std::uint32_t ntstatus) {
    switch (ntstatus) {
    case 0x00000000: return netapi::NERR_Success;
    case 0xC0000017: return netapi::ERROR_NOT_ENOUGH_MEMORY;
    case 0xC00000B5: return 121;                               // STATUS_IO_TIMEOUT
    case 0xC0000022: return netapi::ERROR_ACCESS_DENIED;       // fault 5
    case 0xC002002E: return netapi::RPC_S_PROCNUM_OUT_OF_RANGE;
    case 0xC003000C: return netapi::RPC_X_BAD_STUB_DATA;
    case 0xC003000A: return netapi::RPC_X_BAD_STUB_DATA;      // an enumeration out of range
    case 0xC0020041: return netapi::ERROR_NOT_SUPPORTED;      // STATUS_RPC_CANNOT_SUPPORT
    case 0xC0020012: return 1717;                              // RPC_S_UNKNOWN_IF
    case 0xC002001D: return netapi::RPC_S_PROTOCOL_ERROR;
    case 0xC00000C3: return netapi::RPC_S_PROTOCOL_ERROR;     // STATUS_INVALID_NETWORK_RESPONSE
    // The server dropped the connection or the pipe.
    case 0xC0000011:  // STATUS_END_OF_FILE
    case 0xC00000B0:  // STATUS_PIPE_DISCONNECTED
    case 0xC000014B:  // STATUS_PIPE_BROKEN
    case 0xC000020C:  // STATUS_CONNECTION_DISCONNECTED
    case 0xC000020D:  // STATUS_CONNECTION_RESET
    case 0xC000013C:  // STATUS_REMOTE_DISCONNECT
        return netapi::ERROR_NETNAME_DELETED;
    default: return netapi::RPC_S_CALL_FAILED;
    }
}

netapi::NET_API_STATUS NtStatusToStatus(std::uint32_t ntstatus) {
    switch (ntstatus) {
    case 0x00000000: return netapi::NERR_Success;
    case 0x00000105: return netapi::ERROR_MORE_DATA;          // STATUS_MORE_ENTRIES
    case 0xC0000022: return netapi::ERROR_ACCESS_DENIED;
    case 0xC0000064: return netapi::NERR_UserNotFound;        // STATUS_NO_SUCH_USER
    case 0xC0000073: return netapi::NERR_UserNotFound;        // STATUS_NONE_MAPPED
    case 0xC000006D: return netapi::ERROR_LOGON_FAILURE;
    case 0xC0000008: return 6;                                // STATUS_INVALID_HANDLE
    case 0xC000000D: return netapi::ERROR_INVALID_PARAMETER;
    case 0xC0000003: return netapi::ERROR_INVALID_PARAMETER;  // STATUS_INVALID_INFO_CLASS
    case 0xC0000017: return netapi::ERROR_NOT_ENOUGH_MEMORY;
    case 0xC00000DF: return 1355;                             // STATUS_NO_SUCH_DOMAIN
    // No platform code says the same: the server's own status, as it sent it.
    default: return ntstatus;
    }
}

}  // namespace smb
