#include "netapi.h"

#include <cstring>

#include "CallDispatch.h"
#include "PackRecords.h"

namespace netapi {

void RetryComputer(LPCWSTR servername) {
    if (auto provider = ProviderSlot()) provider->RetryComputer(FromPointer(servername));
}

void RetryAllComputers() {
    if (auto provider = ProviderSlot()) provider->RetryAllComputers();
}

NET_API_STATUS NetFileEnum(LPCWSTR servername, LPCWSTR basepath, LPCWSTR username, DWORD level,
                           LPBYTE* bufptr, DWORD, DWORD* entriesread, DWORD* totalentries,
                           DWORD* resume_handle) {
    return Enumerate<FILE_INFO_3>(level == 3, bufptr, entriesread, totalentries, resume_handle,
                                  [s = FromPointer(servername), b = FromPointer(basepath),
                                   u = FromPointer(username)](Provider& p) {
                                      return p.FileEnum(s, b, u);
                                  });
}

NET_API_STATUS NetFileClose(LPCWSTR servername, DWORD fileid) {
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername), fileid](Provider& p) {
        return p.FileClose(s, fileid);
    });
}

NET_API_STATUS NetFileGetInfo(LPCWSTR servername, DWORD fileid, DWORD level, LPBYTE* bufptr) {
    return GetOne<FILE_INFO_3, FileInfo3>(
        level == 3, bufptr, [s = FromPointer(servername), fileid](Provider& p, FileInfo3& out) {
            return p.FileGetInfo(s, fileid, out);
        });
}

NET_API_STATUS NetSessionEnum(LPCWSTR servername, LPCWSTR UncClientName, LPCWSTR username,
                              DWORD level, LPBYTE* bufptr, DWORD, DWORD* entriesread,
                              DWORD* totalentries, DWORD* resume_handle) {
    auto work = [s = FromPointer(servername), c = FromPointer(UncClientName),
                 u = FromPointer(username), level](Provider& p) {
        return p.SessionEnum(s, c, u, level);
    };
    if (level == 10)
        return Enumerate<SESSION_INFO_10>(true, bufptr, entriesread, totalentries, resume_handle,
                                          std::move(work));
    return Enumerate<SESSION_INFO_502>(level == 502, bufptr, entriesread, totalentries,
                                       resume_handle, std::move(work));
}

NET_API_STATUS NetSessionDel(LPCWSTR servername, LPCWSTR UncClientName, LPCWSTR username) {
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername), c = FromPointer(UncClientName),
                                        u = FromPointer(username)](Provider& p) {
        return p.SessionDel(s, c, u);
    });
}

NET_API_STATUS NetShareEnum(LPCWSTR servername, DWORD level, LPBYTE* bufptr, DWORD,
                            DWORD* entriesread, DWORD* totalentries, DWORD* resume_handle) {
    auto work = [s = FromPointer(servername), level](Provider& p) { return p.ShareEnum(s, level); };
    if (level == 1)
        return Enumerate<SHARE_INFO_1>(true, bufptr, entriesread, totalentries, resume_handle,
                                       std::move(work));
    return Enumerate<SHARE_INFO_2>(level == 2, bufptr, entriesread, totalentries, resume_handle,
                                   std::move(work));
}

NET_API_STATUS NetShareAdd(LPCWSTR servername, DWORD level, LPBYTE buf, DWORD* parm_err) {
    if (parm_err != nullptr) *parm_err = 0;
    if (level != 2 && level != 502) return ERROR_INVALID_LEVEL;
    if (buf == nullptr) return ERROR_INVALID_PARAMETER;
    ShareDetails share;
    if (level == 2) {
        SHARE_INFO_2 record;
        std::memcpy(&record, buf, sizeof record);
        share = Unpack(record);
    } else {
        SHARE_INFO_502 record;
        std::memcpy(&record, buf, sizeof record);
        share = Unpack(record);
        if (record.shi502_security_descriptor != nullptr && !share.security_descriptor) {
            if (parm_err != nullptr) *parm_err = SHARE_FILE_SD_PARMNUM;
            return ERROR_INVALID_SECURITY_DESCR;
        }
    }
    const auto answer = Carry<Answer<DWORD>>(
        true, [s = FromPointer(servername), level, share = std::move(share)](Provider& p) {
            Answer<DWORD> a;
            a.status = p.ShareAdd(s, level, share, a.value);
            return a;
        });
    if (parm_err != nullptr) *parm_err = answer.value;
    return answer.status;
}

NET_API_STATUS NetShareDel(LPCWSTR servername, LPCWSTR netname, DWORD) {
    if (netname == nullptr || *netname == 0) return ERROR_INVALID_PARAMETER;
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername),
                                        n = std::u16string(netname)](Provider& p) {
        return p.ShareDel(s, n);
    });
}

NET_API_STATUS NetShareGetInfo(LPCWSTR servername, LPCWSTR netname, DWORD level, LPBYTE* bufptr) {
    if (bufptr == nullptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    if (netname == nullptr || *netname == 0) return ERROR_INVALID_PARAMETER;
    auto work = [s = FromPointer(servername), n = std::u16string(netname), level](
                    Provider& p, ShareDetails& out) { return p.ShareGetInfo(s, n, level, out); };
    if (level == 2) return GetOne<SHARE_INFO_2, ShareDetails>(true, bufptr, std::move(work));
    if (level == 1005) return GetOne<SHARE_INFO_1005, ShareDetails>(true, bufptr, std::move(work));
    return GetOne<SHARE_INFO_502, ShareDetails>(level == 502, bufptr, std::move(work));
}

NET_API_STATUS NetShareSetInfo(LPCWSTR servername, LPCWSTR netname, DWORD level, LPBYTE buf,
                               DWORD* parm_err) {
    if (parm_err != nullptr) *parm_err = 0;
    if (level != 2 && level != 1004 && level != 1005 && level != 1006 && level != 1501)
        return ERROR_INVALID_LEVEL;
    if (buf == nullptr || netname == nullptr || *netname == 0) return ERROR_INVALID_PARAMETER;
    ShareDetails share;
    if (level == 2) {
        SHARE_INFO_2 record;
        std::memcpy(&record, buf, sizeof record);
        share = Unpack(record);
    } else if (level == 1004) {
        SHARE_INFO_1004 record;
        std::memcpy(&record, buf, sizeof record);
        share.remark = FromPointer(record.shi1004_remark);
    } else if (level == 1005) {
        SHARE_INFO_1005 record;
        std::memcpy(&record, buf, sizeof record);
        share.flags = record.shi1005_flags;
    } else if (level == 1006) {
        SHARE_INFO_1006 record;
        std::memcpy(&record, buf, sizeof record);
        share.max_uses = record.shi1006_max_uses;
    } else {
        SHARE_INFO_1501 record;
        std::memcpy(&record, buf, sizeof record);
        share.security_descriptor = UnpackDescriptor(record.shi1501_security_descriptor);
        if (!share.security_descriptor) return ERROR_INVALID_SECURITY_DESCR;
    }
    const auto answer = Carry<Answer<DWORD>>(
        true, [s = FromPointer(servername), n = std::u16string(netname), level,
               share = std::move(share)](Provider& p) {
            Answer<DWORD> a;
            a.status = p.ShareSetInfo(s, n, level, share, a.value);
            return a;
        });
    if (parm_err != nullptr) *parm_err = answer.value;
    return answer.status;
}

NET_API_STATUS NetConnectionEnum(LPCWSTR servername, LPCWSTR qualifier, DWORD level,
                                 LPBYTE* bufptr, DWORD, DWORD* entriesread,
                                 DWORD* totalentries, DWORD* resume_handle) {
    return Enumerate<CONNECTION_INFO_1>(
        level == 1, bufptr, entriesread, totalentries, resume_handle,
        [s = FromPointer(servername), q = FromPointer(qualifier)](Provider& p) {
            return p.ConnectionEnum(s, q);
        });
}

NET_API_STATUS NetServerEnum(LPCWSTR, DWORD level, LPBYTE* bufptr, DWORD, DWORD* entriesread,
                             DWORD* totalentries, DWORD servertype, LPCWSTR domain,
                             DWORD* resume_handle) {
    return Enumerate<SERVER_INFO_101>(
        level == 101, bufptr, entriesread, totalentries, resume_handle,
        [servertype, d = FromPointer(domain)](Provider& p) { return p.ServerEnum(servertype, d); });
}

NET_API_STATUS NetServerGetInfo(LPCWSTR servername, DWORD level, LPBYTE* bufptr) {
    return GetOne<SERVER_INFO_101, ServerInfo101>(
        level == 101, bufptr, [s = FromPointer(servername)](Provider& p, ServerInfo101& out) {
            return p.ServerGetInfo(s, out);
        });
}

NET_API_STATUS NetServerSetInfo(LPCWSTR servername, DWORD level, LPBYTE buf, DWORD* parm_err) {
    if (parm_err != nullptr) *parm_err = 0;
    if (level != 1005) return ERROR_INVALID_LEVEL;
    if (buf == nullptr) return ERROR_INVALID_PARAMETER;
    SERVER_INFO_1005 record;
    std::memcpy(&record, buf, sizeof record);
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername),
                                        c = FromPointer(record.sv1005_comment)](Provider& p) {
        return p.ServerSetComment(s, c);
    });
}

NET_API_STATUS NetRemoteTOD(LPCWSTR UncServerName, LPBYTE* BufferPtr) {
    // The clock has a single level.
    return GetOne<TIME_OF_DAY_INFO, TimeOfDay>(
        true, BufferPtr, [s = FromPointer(UncServerName)](Provider& p, TimeOfDay& out) {
            return p.RemoteTOD(s, out);
        });
}

NET_API_STATUS NetUserGetInfo(LPCWSTR servername, LPCWSTR username, DWORD level,
                              LPBYTE* bufptr) {
    return GetOne<USER_INFO_3, UserInfo3>(
        level == 3, bufptr,
        [s = FromPointer(servername), u = FromPointer(username)](Provider& p, UserInfo3& out) {
            return p.UserGetInfo(s, u, out);
        });
}

NET_API_STATUS NetUserSetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE buf,
                              DWORD* parm_err) {
    if (parm_err != nullptr) *parm_err = 0;
    if (level != 3) return ERROR_INVALID_LEVEL;
    if (buf == nullptr) return ERROR_INVALID_PARAMETER;
    USER_INFO_3 record;
    std::memcpy(&record, buf, sizeof record);
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername), u = FromPointer(username),
                                        info = Unpack(record)](Provider& p) {
        return p.UserSetInfo(s, u, info);
    });
}

NET_API_STATUS NetMessageBufferSend(LPCWSTR servername, LPCWSTR msgname, LPCWSTR fromname,
                                    LPBYTE buf, DWORD buflen) {
    if (msgname == nullptr || (buf == nullptr && buflen != 0) || buflen % 2 != 0)
        return ERROR_INVALID_PARAMETER;
    std::u16string text(buflen / 2, u'\0');
    if (buflen != 0) std::memcpy(text.data(), buf, buflen);
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername), m = FromPointer(msgname),
                                        f = FromPointer(fromname),
                                        text = std::move(text)](Provider& p) {
        return p.MessageBufferSend(s, m, f, text);
    });
}

NET_API_STATUS WTSSendMessageToUser(LPCWSTR ServerName, LPCWSTR UserName, LPCWSTR Title,
                                    LPCWSTR Message, LPBYTE* Sessions, DWORD* Count) {
    if (Sessions == nullptr || Count == nullptr || UserName == nullptr || Message == nullptr)
        return ERROR_INVALID_PARAMETER;
    *Sessions = nullptr;
    *Count = 0;
    auto answer = Carry<Answer<std::vector<DesktopSession>>>(
        true, [s = FromPointer(ServerName), u = std::u16string(UserName),
               t = FromPointer(Title).value_or(u""), m = std::u16string(Message)](Provider& p) {
            Answer<std::vector<DesktopSession>> a;
            a.status = p.DesktopMessageSend(s, u, t, m, a.value);
            return a;
        });
    if (answer.status != NERR_Success) {
        if (FailuresCarryBuffer()) *Sessions = Allocate(0);
        return answer.status;
    }
    std::uint8_t* buffer =
        Pack<WTS_SESSION_INFOW>(answer.value.data(), answer.value.size());
    if (buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    *Sessions = buffer;
    *Count = static_cast<DWORD>(answer.value.size());
    return NERR_Success;
}

NET_API_STATUS NetGetAnyDCName(LPCWSTR ServerName, LPCWSTR DomainName, LPBYTE* Buffer) {
    if (Buffer == nullptr) return ERROR_INVALID_PARAMETER;
    *Buffer = nullptr;
    auto answer = Carry<Answer<std::u16string>>(
        false, [s = FromPointer(ServerName), d = FromPointer(DomainName)](Provider& p) {
            Answer<std::u16string> a;
            a.status = p.GetAnyDCName(s, d, a.value);
            return a;
        });
    std::u16string& dc = answer.value;
    while (!dc.empty() && dc.front() == u'\\') dc.erase(dc.begin());
    if (answer.status == NERR_Success && dc.empty()) answer.status = NERR_DCNotFound;
    if (answer.status != NERR_Success) {
        if (FailuresCarryBuffer()) *Buffer = Allocate(0);
        return answer.status;
    }
    const std::u16string unc = u"\\\\" + dc;
    std::uint8_t* buffer = Allocate((unc.size() + 1) * sizeof(char16_t));
    if (buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    std::memcpy(buffer, unc.data(), unc.size() * sizeof(char16_t));
    *Buffer = buffer;
    return NERR_Success;
}

NET_API_STATUS NetResolveComputer(LPCWSTR servername) {
    return Carry<NET_API_STATUS>(
        false, [s = FromPointer(servername)](Provider& p) { return p.ResolveComputer(s); });
}

bool NetworkLogsOn() {
    const Provider* p = ActiveProvider();
    return p != nullptr && p->HasLogOns();
}

NET_API_STATUS NetLogOnAs(LPCWSTR servername) {
    return Carry<NET_API_STATUS>(false,
                                 [s = FromPointer(servername)](Provider& p) { return p.LogOnAs(s); });
}

void NetForgetLogOn(LPCWSTR servername) {
    if (auto provider = ProviderSlot()) provider->ForgetLogOn(FromPointer(servername));
}

NET_API_STATUS GetLocalComputerName(char16_t* name, DWORD* size) {
    if (name == nullptr || size == nullptr) return ERROR_INVALID_PARAMETER;
    Provider* p = ActiveProvider();
    if (p == nullptr) return ERROR_NOT_SUPPORTED;
    std::u16string local;
    const NET_API_STATUS status = p->LocalComputerName(local);
    if (status != NERR_Success) return status;
    if (local.size() + 1 > *size) {
        *size = static_cast<DWORD>(local.size() + 1);
        return ERROR_BUFFER_OVERFLOW;
    }
    std::memcpy(name, local.data(), local.size() * sizeof(char16_t));
    name[local.size()] = 0;
    *size = static_cast<DWORD>(local.size());
    return NERR_Success;
}

}  // namespace netapi
