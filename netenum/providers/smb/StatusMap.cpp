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
    default: return 1726;                                     // RPC_S_CALL_FAILED
    }
}

}  // namespace smb
