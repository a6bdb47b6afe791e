#pragma once
// The network management interface: the same functions, records, levels and
// argument order as the platform's NetApi32, so that callers read like code
// written against it. Each call forwards to the active Provider and packs the
// answer into one buffer (records first, their strings behind them), which the
// caller releases with NetApiBufferFree.
#include <cstddef>

#include "NetTypes.h"

namespace netapi {

// Enumerations. A null or empty server name means the local computer; names
// are passed to the provider unchanged.
NET_API_STATUS NetFileEnum(LPCWSTR servername, LPCWSTR basepath, LPCWSTR username, DWORD level,
                           LPBYTE* bufptr, DWORD prefmaxlen, DWORD* entriesread,
                           DWORD* totalentries, DWORD* resume_handle);
NET_API_STATUS NetFileClose(LPCWSTR servername, DWORD fileid);
// One open file by its id: level 3, one FILE_INFO_3 (NetApiBufferFree).
NET_API_STATUS NetFileGetInfo(LPCWSTR servername, DWORD fileid, DWORD level, LPBYTE* bufptr);
NET_API_STATUS NetSessionEnum(LPCWSTR servername, LPCWSTR UncClientName, LPCWSTR username,
                              DWORD level, LPBYTE* bufptr, DWORD prefmaxlen, DWORD* entriesread,
                              DWORD* totalentries, DWORD* resume_handle);
NET_API_STATUS NetSessionDel(LPCWSTR servername, LPCWSTR UncClientName, LPCWSTR username);
NET_API_STATUS NetShareEnum(LPCWSTR servername, DWORD level, LPBYTE* bufptr, DWORD prefmaxlen,
                            DWORD* entriesread, DWORD* totalentries, DWORD* resume_handle);
// Share management. NetShareAdd takes a SHARE_INFO_2 or SHARE_INFO_502 (whose
// descriptor, when set, is self-relative); NetShareGetInfo answers levels 2,
// 502 and 1005; NetShareSetInfo takes 1004 (remark), 1005 (flags), 1006 (user
// limit), 1501 (descriptor) and 2 (remark and user limit at once: Samba
// refuses 1006). A refusal about one field names it in
// *parm_err (SHARE_*_PARMNUM).
NET_API_STATUS NetShareAdd(LPCWSTR servername, DWORD level, LPBYTE buf, DWORD* parm_err);
NET_API_STATUS NetShareDel(LPCWSTR servername, LPCWSTR netname, DWORD reserved);
NET_API_STATUS NetShareGetInfo(LPCWSTR servername, LPCWSTR netname, DWORD level, LPBYTE* bufptr);
NET_API_STATUS NetShareSetInfo(LPCWSTR servername, LPCWSTR netname, DWORD level, LPBYTE buf,
                               DWORD* parm_err);
NET_API_STATUS NetConnectionEnum(LPCWSTR servername, LPCWSTR qualifier, DWORD level,
                                 LPBYTE* bufptr, DWORD prefmaxlen, DWORD* entriesread,
                                 DWORD* totalentries, DWORD* resume_handle);
NET_API_STATUS NetServerEnum(LPCWSTR servername, DWORD level, LPBYTE* bufptr, DWORD prefmaxlen,
                             DWORD* entriesread, DWORD* totalentries, DWORD servertype,
                             LPCWSTR domain, DWORD* resume_handle);
NET_API_STATUS NetServerGetInfo(LPCWSTR servername, DWORD level, LPBYTE* bufptr);
NET_API_STATUS NetServerSetInfo(LPCWSTR servername, DWORD level, LPBYTE buf, DWORD* parm_err);
NET_API_STATUS NetRemoteTOD(LPCWSTR UncServerName, LPBYTE* BufferPtr);
NET_API_STATUS NetUserGetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE* bufptr);
NET_API_STATUS NetUserSetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE buf,
                              DWORD* parm_err);
NET_API_STATUS NetMessageBufferSend(LPCWSTR servername, LPCWSTR msgname, LPCWSTR fromname,
                                    LPBYTE buf, DWORD buflen);
// The terminal-services way to a user: a message box titled `Title` with
// `Message` on every active session `UserName` has on `ServerName` (what
// WTSEnumerateSessions, WTSQuerySessionInformation and WTSSendMessage do one
// by one). The sessions reached come back as WTS_SESSION_INFOW records in one
// buffer (NetApiBufferFree); NERR_NameNotFound when the user has none.
NET_API_STATUS WTSSendMessageToUser(LPCWSTR ServerName, LPCWSTR UserName, LPCWSTR Title,
                                    LPCWSTR Message, LPBYTE* Sessions, DWORD* Count);

// A domain controller of `DomainName` (null or empty: the domain `ServerName`
// belongs to), as "\\NAME" in a buffer; NERR_DCNotFound when none is found.
NET_API_STATUS NetGetAnyDCName(LPCWSTR ServerName, LPCWSTR DomainName, LPBYTE* Buffer);
NET_API_STATUS NetApiBufferFree(void* Buffer);

// The name of the computer the program runs on (stands in for GetComputerNameA).
// Returns 0 and sets *name (a buffer owned by the caller, *size characters
// long, written with a terminating NUL) or returns an error code.
NET_API_STATUS GetLocalComputerName(char16_t* name, DWORD* size);

// Buffers handed out and not yet released; tests assert it returns to zero.
std::size_t LiveBufferCount();

// Beyond the platform's interface: the administrator's own acts on a computer.
// Whether the network finds a computer by that name: 0, WSAHOST_NOT_FOUND, or
// a call's failure (a call like the others: bounded, and Esc gives it up).
NET_API_STATUS NetResolveComputer(LPCWSTR servername);
// Whether this network logs on to computers with accounts at all.
bool NetworkLogsOn();
// Asks the person for another account for `servername` and logs on with it:
// 0 once the computer took it, 1223 when the person cancelled.
NET_API_STATUS NetLogOnAs(LPCWSTR servername);
// Drops the account `servername` is logged on with, here and in the keyring.
void NetForgetLogOn(LPCWSTR servername);

}  // namespace netapi
