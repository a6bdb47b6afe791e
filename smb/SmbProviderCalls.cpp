// SmbProvider's calls: each on the server's service (srvsvc, samr, the
// terminal server's sessions, lsarpc), logged on and bounded as
// SmbProviderCalls.h says.
#include <algorithm>

#include "DcLocator.h"
#include "LsaClient.h"
#include "SmbProviderCalls.h"
#include "text/Text.h"

namespace smb {

namespace {

std::u16string Unc(const std::string& host) { return u"\\\\" + text::FromUtf8(host); }

// The pipes this program opens on a server. Windows lists them among the
// open files (Samba does not).
bool IsOwnPipePath(std::u16string_view path) {
    constexpr std::u16string_view kPipes[] = {u"\\PIPE\\srvsvc", u"\\PIPE\\samr",
                                              u"\\PIPE\\lsarpc",
                                              u"\\PIPE\\Ctx_WinStation_API_service"};
    for (const auto pipe : kPipes)
        if (text::EqualsIgnoreCase(path, pipe)) return true;
    return false;
}

// Whether an open file is one of this program's own pipes: the path of one,
// opened by the account it logged on with. Without a known account, every
// such pipe may be ours.
bool IsOwnPipe(const netapi::FileInfo3& file, const std::vector<std::u16string>& accounts) {
    if (!file.pathname || !IsOwnPipePath(*file.pathname)) return false;
    if (accounts.empty()) return true;
    const std::u16string holder = file.username.value_or(u"");
    std::u16string_view user = holder;
    if (const auto slash = user.rfind(u'\\'); slash != std::u16string_view::npos)
        user.remove_prefix(slash + 1);
    for (const auto& account : accounts)
        if (text::EqualsIgnoreCase(user, account)) return true;
    return false;
}

}  // namespace

netapi::EnumResult<netapi::FileInfo3> SmbProvider::FileEnum(const OptString& server,
                                                            const OptString& basepath,
                                                            const OptString& user) {
    const std::string host = HostFor(server);
    return LoggedOn<netapi::EnumResult<netapi::FileInfo3>>(server, [&](Server& s) {
        auto result = s.srvsvc->FileEnum(basepath, user);
        if (result.status != NERR_Success && result.status != netapi::ERROR_MORE_DATA)
            return result;
        // A whole list says which of our pipes are open now; a filtered one
        // only adds what it shows.
        if (basepath.value_or(u"").empty() && user.value_or(u"").empty()) s.ownPipes.clear();
        const auto accounts = mOpener->AccountNames(host);
        for (const auto& file : result.records)
            if (IsOwnPipe(file, accounts)) s.ownPipes.insert(file.id);
        return result;
    });
}

NET_API_STATUS SmbProvider::FileClose(const OptString& server, DWORD fileid) {
    return LoggedOn<NET_API_STATUS>(server, [&](Server& s) {
        // The pipe this program itself talks through stays open: "in use".
        if (s.ownPipes.contains(fileid)) return netapi::ERROR_BUSY;
        return s.srvsvc->FileClose(fileid);
    });
}

NET_API_STATUS SmbProvider::FileGetInfo(const OptString& server, DWORD fileid,
                                       netapi::FileInfo3& out) {
    out = {};
    return LoggedOn<NET_API_STATUS>(
        server, [&](Server& s) { return s.srvsvc->FileGetInfo(fileid, out); });
}

netapi::EnumResult<netapi::SessionInfo502> SmbProvider::SessionEnum(const OptString& server,
                                                                    const OptString& client,
                                                                    const OptString& user,
                                                                    DWORD level) {
    return LoggedOn<netapi::EnumResult<netapi::SessionInfo502>>(
        server, [&](Server& s) { return s.srvsvc->SessionEnum(client, user, level); });
}

NET_API_STATUS SmbProvider::SessionDel(const OptString& server, const OptString& client,
                                       const OptString& user) {
    return LoggedOn<NET_API_STATUS>(server,
                                    [&](Server& s) { return s.srvsvc->SessionDel(client, user); });
}

netapi::EnumResult<netapi::ShareInfo2> SmbProvider::ShareEnum(const OptString& server,
                                                              DWORD level) {
    return LoggedOn<netapi::EnumResult<netapi::ShareInfo2>>(
        server, [&](Server& s) { return s.srvsvc->ShareEnum(level); });
}

netapi::EnumResult<netapi::ConnectionInfo1> SmbProvider::ConnectionEnum(const OptString& server,
                                                                        const OptString& qualifier) {
    return LoggedOn<netapi::EnumResult<netapi::ConnectionInfo1>>(
        server, [&](Server& s) { return s.srvsvc->ConnectionEnum(qualifier); });
}

NET_API_STATUS SmbProvider::ServerGetInfo(const OptString& server, netapi::ServerInfo101& out) {
    return LoggedOn<NET_API_STATUS>(server, [&](Server& s) { return s.srvsvc->ServerGetInfo(out); });
}

NET_API_STATUS SmbProvider::ServerSetComment(const OptString& server, const OptString& comment) {
    return LoggedOn<NET_API_STATUS>(server,
                                   [&](Server& s) { return s.srvsvc->ServerSetComment(comment); });
}

NET_API_STATUS SmbProvider::RemoteTOD(const OptString& server, netapi::TimeOfDay& out) {
    return LoggedOn<NET_API_STATUS>(server, [&](Server& s) { return s.srvsvc->RemoteTOD(out); });
}

NET_API_STATUS SmbProvider::UserGetInfo(const OptString& server, const OptString& user,
                                        netapi::UserInfo3& out) {
    if (!user || user->empty()) return netapi::ERROR_INVALID_PARAMETER;
    return LoggedOn<NET_API_STATUS>(server,
                                   [&](Server& s) { return s.samr->UserGetInfo(*user, out); });
}

NET_API_STATUS SmbProvider::UserSetInfo(const OptString& server, const OptString& user,
                                        const netapi::UserInfo3& info) {
    if (!user || user->empty()) return netapi::ERROR_INVALID_PARAMETER;
    // Only the disabled bit is ever changed; every other field stays as the
    // server holds it, whatever the record says.
    const bool disabled = (info.flags & netapi::UF_ACCOUNTDISABLE) != 0;
    return LoggedOn<NET_API_STATUS>(
        server, [&](Server& s) { return s.samr->SetAccountDisabled(*user, disabled); });
}

NET_API_STATUS SmbProvider::MessageBufferSend(const OptString&, const OptString&, const OptString&,
                                              const std::u16string&) {
    // Current servers run no messenger service; there is nothing to deliver to.
    return netapi::ERROR_NOT_SUPPORTED;
}

NET_API_STATUS SmbProvider::DesktopMessageSend(const OptString& server, const std::u16string& user,
                                               const std::u16string& title,
                                               const std::u16string& text,
                                               std::vector<netapi::DesktopSession>& reached) {
    return LoggedOn<NET_API_STATUS>(server, [&](Server& s) {
        return s.winsta->SendToUser(user, title, text, reached);
    });
}

NET_API_STATUS SmbProvider::GetAnyDCName(const OptString& server, const OptString& domain,
                                         std::u16string& out) {
    out.clear();
    const netapi::BoundedCall bounded;
    const netapi::CallControl& control = bounded.Control();
    const std::u16string wanted = text::TrimSpaces(domain.value_or(u""));
    // The server says which domain it belongs to; only that domain has
    // controllers to go to. Another name (its own, SERVER\user, or one it
    // does not belong to) has none.
    lsa::DomainInfo info;
    const std::string host = HostFor(server);
    const std::u16string arg = Unc(host);
    const NET_API_STATUS status = Guarded<NET_API_STATUS>(
        server, [&](Server& s) { return QueryDomain(*s.lsaPipe, arg, info); });
    if (status != NERR_Success) return status;
    if (!info.hasSid) return netapi::NERR_DCNotFound;  // a workgroup
    const bool dotted = wanted.find(u'.') != std::u16string::npos;
    if (!wanted.empty() && !text::EqualsIgnoreCase(wanted, info.name) &&
        !(dotted && (info.dnsDomain.empty() || text::EqualsIgnoreCase(wanted, info.dnsDomain))))
        return netapi::NERR_DCNotFound;

    // Where to look: the DNS domain the server reported, or without one the
    // DNS domains its name and this machine's resolver suggest. A DNS name in
    // a user's name must be one of those: it is the server's text, not ours.
    std::vector<std::string> dnsDomains;
    if (!info.dnsDomain.empty()) dnsDomains.push_back(text::ToUtf8(info.dnsDomain));
    else dnsDomains = LikelyDnsDomains(host);
    if (dotted) {
        std::erase_if(dnsDomains, [&](const std::string& d) {
            return !text::EqualsIgnoreCase(text::FromUtf8(d), wanted);
        });
    }

    for (const std::string& dnsDomain : dnsDomains) {
        if (control.Over()) break;
        const std::vector<std::string> controllers = FindDomainControllers(dnsDomain);
        for (std::size_t i = 0; i < controllers.size() && i < 3 && !control.Over(); ++i) {
            // Each controller DNS named must say itself that it serves this
            // domain, before any change (or any account) goes to it; asking
            // it sends no password (it is nobody's named computer).
            const std::u16string dc = text::FromUtf8(controllers[i]);
            lsa::DomainInfo served;
            const std::u16string dcArg = Unc(controllers[i]);
            if (Guarded<NET_API_STATUS>(dc, [&](Server& s) { return QueryDomain(*s.lsaPipe, dcArg, served); }) !=
                    NERR_Success ||
                !served.hasSid || !text::EqualsIgnoreCase(served.name, info.name) ||
                !text::EqualsIgnoreCase(served.dnsDomain, text::FromUtf8(dnsDomain)))
                continue;
            out = dc;
            return NERR_Success;
        }
    }
    return netapi::NERR_DCNotFound;
}

}  // namespace smb
