#include "SmbProvider.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "RpcBinding.h"
#include "SamrClient.h"
#include "SrvsvcClient.h"
#include "StatusMap.h"
#include "logon/CredentialLookup.h"
#include "netenum/Text.h"

namespace smb {

using netapi::DWORD;
using netapi::NERR_Success;
using netapi::NET_API_STATUS;
using netapi::OptString;

namespace {

const dcerpc::SyntaxId& SrvsvcInterface() {
    static const dcerpc::SyntaxId id = dcerpc::MakeSyntax("4b324fc8-1670-01d3-1278-5a47bf6ee188", 3, 0);
    return id;
}

const dcerpc::SyntaxId& SamrInterface() {
    static const dcerpc::SyntaxId id = dcerpc::MakeSyntax("12345778-1234-abcd-ef00-0123456789ac", 1, 0);
    return id;
}

struct KnownList {
    std::mutex lock;
    std::vector<std::u16string> servers;
};

KnownList& Known() {
    static KnownList list;
    return list;
}

struct CandidateSource {
    std::mutex lock;
    std::function<std::vector<Candidate>()> source;
};

CandidateSource& Found() {
    static CandidateSource source;
    return source;
}

std::vector<std::u16string> SplitList(std::u16string_view s) {
    std::vector<std::u16string> out;
    std::size_t at = 0;
    while (at <= s.size()) {
        std::size_t end = s.find(u',', at);
        if (end == std::u16string_view::npos) end = s.size();
        std::u16string item = text::TrimSpaces(s.substr(at, end - at));
        while (!item.empty() && item.front() == u'\\') item.erase(item.begin());
        if (!item.empty()) out.push_back(std::move(item));
        at = end + 1;
    }
    return out;
}

// This machine's name as the platform reports it: the host name up to its
// first dot, in capitals.
NET_API_STATUS HostName(std::u16string& out) {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0) return ErrnoToStatus(errno);
    std::string s(name);
    if (const auto dot = s.find('.'); dot != std::string::npos) s.resize(dot);
    out = text::ToUpper(text::FromUtf8(s));
    return NERR_Success;
}

NET_API_STATUS StatusOf(NET_API_STATUS status) { return status; }
template <typename R>
NET_API_STATUS StatusOf(const netapi::EnumResult<R>& result) {
    return result.status;
}

}  // namespace

struct SmbProvider::Server {
    std::unique_ptr<RpcBinding> srvsvcPipe;
    std::unique_ptr<RpcBinding> samrPipe;
    std::unique_ptr<SrvsvcClient> srvsvc;
    std::unique_ptr<SamrClient> samr;
};

void SetKnownServers(std::vector<std::u16string> servers) {
    auto& k = Known();
    std::lock_guard<std::mutex> guard(k.lock);
    k.servers.clear();
    for (auto& s : servers)
        for (auto& item : SplitList(s)) k.servers.push_back(std::move(item));
}

void SetCandidateSource(std::function<std::vector<Candidate>()> source) {
    auto& f = Found();
    std::lock_guard<std::mutex> guard(f.lock);
    f.source = std::move(source);
}

std::vector<std::u16string> KnownServers() {
    std::vector<std::u16string> out;
    {
        auto& k = Known();
        std::lock_guard<std::mutex> guard(k.lock);
        out = k.servers;
    }
    if (const char* env = std::getenv("VANTOR_SMB_SERVERS"); env != nullptr)
        for (auto& item : SplitList(text::FromUtf8(env))) out.push_back(std::move(item));
    return out;
}

SmbProvider::SmbProvider(std::shared_ptr<PipeOpener> opener) : mOpener(std::move(opener)) {}
SmbProvider::~SmbProvider() = default;

std::string SmbProvider::HostFor(const OptString& server) const {
    std::u16string s = text::TrimSpaces(server.value_or(u""));
    std::size_t skip = 0;
    while (skip < s.size() && s[skip] == u'\\') ++skip;
    s.erase(0, skip);
    if (s.empty() || text::EqualsIgnoreCase(s, u"localhost")) return "127.0.0.1";
    if (const auto found = mFoundAddresses.find(text::ToUpper(s)); found != mFoundAddresses.end())
        return found->second;
    std::u16string local;
    if (HostName(local) == NERR_Success && text::EqualsIgnoreCase(s, local)) return "127.0.0.1";
    return text::ToUtf8(s);
}

SmbProvider::Server& SmbProvider::For(const OptString& server) {
    const std::string host = HostFor(server);
    auto& slot = mServers[text::ToUtf8(text::ToUpper(text::FromUtf8(host)))];
    if (!slot) {
        slot = std::make_unique<Server>();
        const std::u16string arg = u"\\\\" + text::FromUtf8(host);
        slot->srvsvcPipe = std::make_unique<RpcBinding>(*mOpener, host, "srvsvc", SrvsvcInterface());
        slot->samrPipe = std::make_unique<RpcBinding>(*mOpener, host, "samr", SamrInterface());
        slot->srvsvc = std::make_unique<SrvsvcClient>(*slot->srvsvcPipe, arg);
        slot->samr = std::make_unique<SamrClient>(*slot->samrPipe, arg);
    }
    return *slot;
}

template <typename Call>
auto SmbProvider::LoggedOn(const OptString& server, Call call) {
    auto result = call(For(server));
    NET_API_STATUS status = StatusOf(result);
    if (!logon::IsLogonRefusal(status)) return result;
    const auto lookup = logon::CurrentLookup();
    // The prompt runs an event loop: a timer's call that fails meanwhile
    // keeps its failure instead of opening a second prompt.
    if (!lookup || mAsking) return result;
    mAsking = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{mAsking};
    const std::string host = HostFor(server);
    for (int attempt = 0; attempt < kMaxLogonAsks; ++attempt) {
        const std::optional<logon::Account> account = lookup->Ask(host, status, attempt);
        if (!account) break;
        // Bindings hold pipes of the old logon: the next call binds anew.
        mOpener->UseAccount(host, *account);
        mServers.erase(text::ToUtf8(text::ToUpper(text::FromUtf8(host))));
        result = call(For(server));
        status = StatusOf(result);
        if (status == NERR_Success || status == netapi::ERROR_MORE_DATA) {
            lookup->Accepted(host, *account);
            break;
        }
        // Only a wrong password is worth asking again; an account without the
        // rights for this call stays without them.
        if (status != netapi::ERROR_LOGON_FAILURE) break;
    }
    return result;
}

netapi::EnumResult<netapi::FileInfo3> SmbProvider::FileEnum(const OptString& server,
                                                            const OptString& basepath,
                                                            const OptString& user) {
    return LoggedOn(server, [&](Server& s) { return s.srvsvc->FileEnum(basepath, user); });
}

NET_API_STATUS SmbProvider::FileClose(const OptString& server, DWORD fileid) {
    return LoggedOn(server, [&](Server& s) { return s.srvsvc->FileClose(fileid); });
}

netapi::EnumResult<netapi::SessionInfo502> SmbProvider::SessionEnum(const OptString& server,
                                                                    const OptString& client,
                                                                    const OptString& user) {
    return LoggedOn(server, [&](Server& s) { return s.srvsvc->SessionEnum(client, user); });
}

NET_API_STATUS SmbProvider::SessionDel(const OptString& server, const OptString& client,
                                       const OptString& user) {
    return LoggedOn(server, [&](Server& s) { return s.srvsvc->SessionDel(client, user); });
}

netapi::EnumResult<netapi::ShareInfo2> SmbProvider::ShareEnum(const OptString& server) {
    return LoggedOn(server, [&](Server& s) { return s.srvsvc->ShareEnum(); });
}

netapi::EnumResult<netapi::ConnectionInfo1> SmbProvider::ConnectionEnum(const OptString& server,
                                                                        const OptString& qualifier) {
    return LoggedOn(server, [&](Server& s) { return s.srvsvc->ConnectionEnum(qualifier); });
}

netapi::EnumResult<netapi::ServerInfo101> SmbProvider::ServerEnum(DWORD servertype,
                                                                  const OptString&) {
    // No browser service to ask: the candidates are the local computer and the
    // known servers, each kept when the type bits it reports match the mask.
    std::vector<std::u16string> names;
    std::u16string local;
    if (HostName(local) == NERR_Success) names.push_back(local);
    for (auto& s : KnownServers()) names.push_back(std::move(s));
    const std::size_t configured = names.size();

    // Computers found on the network come after, unless they are one of the
    // above by name or by address. A name that does not resolve is reached
    // through the address it answered from.
    std::function<std::vector<Candidate>()> source;
    {
        auto& f = Found();
        std::lock_guard<std::mutex> guard(f.lock);
        source = f.source;
    }
    if (source) {
        for (const Candidate& c : source()) {
            if (c.address.empty()) continue;
            const std::u16string name = c.name.empty() ? text::FromUtf8(c.address) : c.name;
            const std::u16string key = text::ToUpper(name);
            bool known = false;
            for (std::size_t i = 0; i < names.size() && !known; ++i)
                known = text::EqualsIgnoreCase(names[i], name) || HostFor(names[i]) == c.address;
            if (known) continue;
            if (!c.name.empty()) mFoundAddresses[key] = c.address;
            names.push_back(name);
        }
    }

    netapi::EnumResult<netapi::ServerInfo101> result;
    std::vector<std::string> seen;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::u16string& name = names[i];
        const std::string host = text::ToUtf8(text::ToUpper(text::FromUtf8(HostFor(name))));
        if (std::find(seen.begin(), seen.end(), host) != seen.end()) continue;
        seen.push_back(host);
        netapi::ServerInfo101 info;
        // A listing asks nobody for passwords. A computer the administrator
        // named that refuses us cannot tell its type: it is listed anyway, so
        // that it can be chosen and logged on to. Found ones that refuse are
        // left out (a network has many); naming them lists them.
        const NET_API_STATUS status = For(name).srvsvc->ServerGetInfo(info);
        if (logon::IsLogonRefusal(status) && i < configured) {
            info = {};
        } else if (status != NERR_Success || (info.type & servertype) == 0) {
            continue;
        }
        // Listed under the name it is reached by, so choosing it reaches it again.
        info.name = name;
        result.records.push_back(std::move(info));
    }
    result.total = static_cast<DWORD>(result.records.size());
    return result;
}

NET_API_STATUS SmbProvider::ServerGetInfo(const OptString& server, netapi::ServerInfo101& out) {
    return LoggedOn(server, [&](Server& s) { return s.srvsvc->ServerGetInfo(out); });
}

NET_API_STATUS SmbProvider::ServerSetComment(const OptString& server, const OptString& comment) {
    return LoggedOn(server, [&](Server& s) { return s.srvsvc->ServerSetComment(comment); });
}

NET_API_STATUS SmbProvider::RemoteTOD(const OptString& server, netapi::TimeOfDay& out) {
    return LoggedOn(server, [&](Server& s) { return s.srvsvc->RemoteTOD(out); });
}

NET_API_STATUS SmbProvider::UserGetInfo(const OptString& server, const OptString& user,
                                        netapi::UserInfo3& out) {
    if (!user || user->empty()) return netapi::ERROR_INVALID_PARAMETER;
    return LoggedOn(server, [&](Server& s) { return s.samr->UserGetInfo(*user, out); });
}

NET_API_STATUS SmbProvider::UserSetInfo(const OptString& server, const OptString& user,
                                        const netapi::UserInfo3& info) {
    if (!user || user->empty()) return netapi::ERROR_INVALID_PARAMETER;
    // Only the disabled bit is ever changed; every other field stays as the
    // server holds it, whatever the record says.
    const bool disabled = (info.flags & netapi::UF_ACCOUNTDISABLE) != 0;
    return LoggedOn(server,
                    [&](Server& s) { return s.samr->SetAccountDisabled(*user, disabled); });
}

NET_API_STATUS SmbProvider::MessageBufferSend(const OptString&, const OptString&, const OptString&,
                                              const std::u16string&) {
    // Current servers run no messenger service; there is nothing to deliver to.
    return netapi::ERROR_NOT_SUPPORTED;
}

NET_API_STATUS SmbProvider::LocalComputerName(std::u16string& out) { return HostName(out); }

}  // namespace smb
