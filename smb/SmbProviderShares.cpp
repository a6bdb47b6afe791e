// SmbProvider's share management (srvsvc) and account lookups (lsarpc),
// logged on and bounded as SmbProviderCalls.h says.
#include "LsaClient.h"
#include "SmbProviderCalls.h"
#include "text/Text.h"

namespace smb {

NET_API_STATUS SmbProvider::ShareAdd(const OptString& server, DWORD level,
                                     const netapi::ShareDetails& share, DWORD& parm_err) {
    parm_err = 0;
    if (level != 2 && level != 502) return netapi::ERROR_INVALID_LEVEL;
    return LoggedOn<NET_API_STATUS>(
        server, [&](Server& s) { return s.srvsvc->ShareAdd(level, share, parm_err); });
}

NET_API_STATUS SmbProvider::ShareDel(const OptString& server, const std::u16string& netname) {
    return LoggedOn<NET_API_STATUS>(server, [&](Server& s) { return s.srvsvc->ShareDel(netname); });
}

NET_API_STATUS SmbProvider::ShareGetInfo(const OptString& server, const std::u16string& netname,
                                         DWORD level, netapi::ShareDetails& out) {
    if (level != 2 && level != 502 && level != 1005) return netapi::ERROR_INVALID_LEVEL;
    return LoggedOn<NET_API_STATUS>(
        server, [&](Server& s) { return s.srvsvc->ShareGetInfo(netname, level, out); });
}

NET_API_STATUS SmbProvider::ShareSetInfo(const OptString& server, const std::u16string& netname,
                                         DWORD level, const netapi::ShareDetails& share,
                                         DWORD& parm_err) {
    parm_err = 0;
    if (level != 2 && level != 1004 && level != 1005 && level != 1006 && level != 1501)
        return netapi::ERROR_INVALID_LEVEL;
    return LoggedOn<NET_API_STATUS>(
        server, [&](Server& s) { return s.srvsvc->ShareSetInfo(netname, level, share, parm_err); });
}

NET_API_STATUS SmbProvider::LookupNames(const OptString& server,
                                        const std::vector<std::u16string>& names,
                                        std::vector<netapi::AccountLookup>& out) {
    const std::u16string arg = u"\\\\" + text::FromUtf8(HostFor(server));
    return LoggedOn<NET_API_STATUS>(
        server, [&](Server& s) { return smb::LookupAccounts(*s.lsaPipe, arg, names, out); });
}

NET_API_STATUS SmbProvider::LookupSids(const OptString& server, const std::vector<netapi::Sid>& sids,
                                       std::vector<netapi::AccountLookup>& out) {
    const std::u16string arg = u"\\\\" + text::FromUtf8(HostFor(server));
    return LoggedOn<NET_API_STATUS>(
        server, [&](Server& s) { return smb::LookupAccounts(*s.lsaPipe, arg, sids, out); });
}

}  // namespace smb
