#include "SmbProvider.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <exception>
#include <future>
#include <mutex>
#include <optional>
#include <set>

#include "DcLocator.h"
#include "HostLookup.h"
#include "Directory.h"
#include "LsaClient.h"
#include "RpcBinding.h"
#include "SamrClient.h"
#include "SrvsvcClient.h"
#include "StatusMap.h"
#include "WinStationClient.h"
#include "logon/CredentialLookup.h"
#include "netenum/MessageTarget.h"
#include "text/Text.h"

namespace smb {

using netapi::DWORD;
using netapi::NERR_Success;
using netapi::NET_API_STATUS;
using netapi::OptString;

namespace {

// The interfaces the program binds, with the pipes they are served on: the
// server service, the account database, the local security authority and
// the terminal server's legacy session interface (MS-TSTS).
struct Interface {
    const char* pipe;
    dcerpc::SyntaxId syntax;
};
enum InterfaceIndex { kSrvsvc, kSamr, kLsa, kWinStation };
const Interface& InterfaceOf(InterfaceIndex which) {
    static const Interface interfaces[] = {
        {"srvsvc", dcerpc::MakeSyntax("4b324fc8-1670-01d3-1278-5a47bf6ee188", 3, 0)},
        {"samr", dcerpc::MakeSyntax("12345778-1234-abcd-ef00-0123456789ac", 1, 0)},
        {"lsarpc", dcerpc::MakeSyntax("12345778-1234-abcd-ef00-0123456789ab", 0, 0)},
        {"Ctx_WinStation_API_service", dcerpc::MakeSyntax("5ca4a760-ebb1-11cf-8611-00a0245420ed", 1, 0)},
    };
    return interfaces[which];
}

struct KnownList {
    std::mutex lock;
    std::vector<std::u16string> servers;
};

KnownList& Known() {
    static KnownList list;
    return list;
}

KnownList& Typed() {
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

std::u16string Unc(const std::string& host) { return u"\\\\" + text::FromUtf8(host); }

// The line that says why a computer the administrator added was not asked
// for its type.
std::u16string AddedComputerState(std::u16string_view name, NET_API_STATUS status) {
    std::u16string line = text::EscapeControls(name);
    if (status == netapi::WSAHOST_NOT_FOUND)
        line += u": name not found";
    else if (logon::IsLogonRefusal(status))
        line += u": log-on needed";
    else
        line += u": not answering";
    line += u"\r\n";
    return line;
}

// An address literal in one spelling (IPv6 zone kept apart, a zone must be
// an interface name); empty when `text` is no address.
std::string CanonicalAddress(std::string_view text) {
    const auto percent = text.find('%');
    std::string bare(text.substr(0, percent));
    std::string zone = percent == std::string_view::npos ? std::string() : std::string(text.substr(percent));
    if (!zone.empty() && (zone.size() > 17 || zone.find_first_not_of(
                                                  "%abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.") !=
                                                  std::string::npos))
        return {};
    char out[INET6_ADDRSTRLEN] = {};
    in_addr v4{};
    in6_addr v6{};
    if (zone.empty() && inet_pton(AF_INET, bare.c_str(), &v4) == 1) return inet_ntop(AF_INET, &v4, out, sizeof out);
    if (inet_pton(AF_INET6, bare.c_str(), &v6) == 1) return inet_ntop(AF_INET6, &v6, out, sizeof out) + zone;
    return {};
}

NET_API_STATUS StatusOf(NET_API_STATUS status) { return status; }
template <typename R>
NET_API_STATUS StatusOf(const netapi::EnumResult<R>& result) {
    return result.status;
}

}  // namespace

struct SmbProvider::Server {
    // Calls given up by their caller may still run; the next one waits its turn.
    std::timed_mutex busy;
    // A call on these bindings was answered: the logon they use works.
    std::atomic<bool> answered{false};
    std::unique_ptr<RpcBinding> srvsvcPipe;
    std::unique_ptr<RpcBinding> samrPipe;
    std::unique_ptr<RpcBinding> lsaPipe;
    std::unique_ptr<RpcBinding> winstaPipe;
    std::unique_ptr<SrvsvcClient> srvsvc;
    std::unique_ptr<SamrClient> samr;
    std::unique_ptr<WinStationClient> winsta;
    // The ids under which the server's file lists showed pipes this program
    // holds open there: closing one would cut the connection in use.
    std::set<DWORD> ownPipes;
};

void SetKnownServers(std::vector<std::u16string> servers) {
    auto& k = Known();
    std::lock_guard<std::mutex> guard(k.lock);
    k.servers.clear();
    for (auto& s : servers)
        for (auto& item : SplitList(s)) k.servers.push_back(std::move(item));
}

namespace {

struct DirectorySource {
    std::mutex lock;
    std::function<std::vector<std::u16string>()> source;
};

DirectorySource& Directory() {
    static DirectorySource source;
    return source;
}

// How long the directory may take; a listing waits for it before asking the
// computers themselves.
constexpr std::chrono::milliseconds kDirectoryTimeout{5000};

std::vector<std::u16string> TicketDomainComputers() {
    std::vector<std::u16string> names;
    const std::string domain = TicketDomain();
    if (domain.empty()) return names;
    for (const DirectoryComputer& c : DirectoryComputers(domain, kDirectoryTimeout))
        names.push_back(text::FromUtf8(c.dnsHostName));
    return names;
}

// Whether the directory's `dnsName` ("files1.office.test") is the computer
// `name` already stands for: the same full name, or its first label alone.
bool SameComputer(std::u16string_view name, std::u16string_view dnsName) {
    if (text::EqualsIgnoreCase(name, dnsName)) return true;
    const auto dot = dnsName.find(u'.');
    return name.find(u'.') == std::u16string_view::npos && dot != std::u16string_view::npos &&
           text::EqualsIgnoreCase(name, dnsName.substr(0, dot));
}

}  // namespace

void SetDirectorySource(std::function<std::vector<std::u16string>()> source) {
    auto& d = Directory();
    std::lock_guard<std::mutex> guard(d.lock);
    d.source = std::move(source);
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

std::string SmbProvider::HostFor(const OptString& server) const { return HostOf(server); }

std::string SmbProvider::RefusedLogon(const OptString& server) const {
    {
        std::lock_guard<std::mutex> guard(mServersLock);
        if (mRefusedLogons.count(Key(server)) == 0) return {};
    }
    return mOpener->LogonTried(HostFor(server));
}

void SmbProvider::NoteLogon(const OptString& server, NET_API_STATUS status) {
    std::lock_guard<std::mutex> guard(mServersLock);
    if (logon::IsLogonRefusal(status)) mRefusedLogons.insert(Key(server));
    else mRefusedLogons.erase(Key(server));
}

std::u16string FoundName(const std::u16string& name, const std::string& address) {
    return name.empty() ? text::FromUtf8(address) : name + u" (" + text::FromUtf8(address) + u")";
}

std::string HostOf(const OptString& server) {
    std::u16string s = text::TrimSpaces(server.value_or(u""));
    std::size_t skip = 0;
    while (skip < s.size() && s[skip] == u'\\') ++skip;
    s.erase(0, skip);
    if (s.empty() || text::EqualsIgnoreCase(s, u"localhost")) return "127.0.0.1";
    // "NAME (ADDRESS)": the address says where, the name is only a label.
    if (const auto open = s.rfind(u" ("); open != std::u16string::npos && s.back() == u')') {
        const std::string address = text::ToUtf8(s.substr(open + 2, s.size() - open - 3));
        if (!CanonicalAddress(address).empty()) return address;
    }
    std::u16string local;
    if (HostName(local) == NERR_Success && text::EqualsIgnoreCase(s, local)) return "127.0.0.1";
    return text::ToUtf8(s);
}

void AddTypedServer(std::u16string server) {
    auto& t = Typed();
    std::lock_guard<std::mutex> guard(t.lock);
    for (auto& item : SplitList(server)) t.servers.push_back(std::move(item));
}

bool NamedByAdministrator(const std::string& host) {
    std::vector<std::u16string> named = KnownServers();
    named.push_back(u"");  // this computer
    {
        auto& t = Typed();
        std::lock_guard<std::mutex> guard(t.lock);
        named.insert(named.end(), t.servers.begin(), t.servers.end());
    }
    const std::u16string wanted = text::FromUtf8(host);
    for (const std::u16string& name : named) {
        // A found computer's "NAME (ADDRESS)" names nothing, wherever it was written.
        if (name.find(u'(') != std::u16string::npos) continue;
        if (text::EqualsIgnoreCase(text::FromUtf8(HostOf(name)), wanted)) return true;
    }
    return false;
}

std::string SmbProvider::Key(const OptString& server) const {
    return text::ToUtf8(text::ToUpper(text::FromUtf8(HostFor(server))));
}

std::shared_ptr<SmbProvider::Server> SmbProvider::For(const OptString& server) {
    const std::string host = HostFor(server);
    std::lock_guard<std::mutex> guard(mServersLock);
    auto& slot = mServers[Key(server)];
    if (!slot) {
        slot = std::make_shared<Server>();
        const std::u16string arg = u"\\\\" + text::FromUtf8(host);
        auto bind = [&](InterfaceIndex which) {
            const Interface& i = InterfaceOf(which);
            return std::make_unique<RpcBinding>(*mOpener, host, i.pipe, i.syntax);
        };
        slot->srvsvcPipe = bind(kSrvsvc);
        slot->samrPipe = bind(kSamr);
        slot->lsaPipe = bind(kLsa);
        slot->winstaPipe = bind(kWinStation);
        slot->srvsvc = std::make_unique<SrvsvcClient>(*slot->srvsvcPipe, arg);
        slot->samr = std::make_unique<SamrClient>(*slot->samrPipe, arg);
        slot->winsta = std::make_unique<WinStationClient>(*slot->winstaPipe);
    }
    return slot;
}

template <typename R, typename F>
R SmbProvider::Guarded(const OptString& server, F call) {
    // Called outside netapi (tests, the computer list's helpers): still bounded.
    const netapi::BoundedCall bounded;
    const netapi::CallControl& control = bounded.Control();
    const std::string key = Key(server);
    if (const auto code = mDead.Blocked(key, netapi::CallClock::now())) return netapi::FailedWith<R>(*code);
    // Held for the whole call: a new log-on may drop the server's bindings
    // meanwhile, and a call given up may still be running on them.
    const std::shared_ptr<Server> s = For(server);
    std::unique_lock<std::timed_mutex> turn(s->busy, std::defer_lock);
    const bool mine = control.deadline == netapi::CallClock::time_point::max()
                          ? (turn.lock(), true)
                          : turn.try_lock_until(control.deadline);
    if (!mine) return netapi::FailedWith<R>(netapi::ERROR_SEM_TIMEOUT);
    if (control.Over()) return netapi::FailedWith<R>(netapi::ERROR_SEM_TIMEOUT);
    R result = call(*s);
    mDead.Record(key, StatusOf(result), netapi::CallClock::now());
    if (StatusOf(result) == NERR_Success || StatusOf(result) == netapi::ERROR_MORE_DATA)
        s->answered = true;
    return result;
}

void SmbProvider::UseAccount(const OptString& server, const std::string& host,
                             const logon::Account& account) {
    // Bindings hold pipes of the old logon: the next call binds anew.
    mOpener->UseAccount(host, account);
    std::lock_guard<std::mutex> guard(mServersLock);
    mServers.erase(Key(server));
}

bool SmbProvider::AccountAnswered(const OptString& server, const std::string& host) {
    {
        std::lock_guard<std::mutex> guard(mServersLock);
        const auto it = mServers.find(Key(server));
        if (it == mServers.end() || !it->second->answered) return false;
    }
    return mOpener->LogsOnWithAccount(host);
}

template <typename R, typename F>
R SmbProvider::LoggedOn(const OptString& server, F call) {
    R result = Guarded<R>(server, call);
    NET_API_STATUS status = StatusOf(result);
    NoteLogon(server, status);
    if (!logon::IsLogonRefusal(status)) return result;
    const auto lookup = logon::CurrentLookup();
    if (!lookup) return result;
    const std::string host = HostFor(server);
    // An account the server already answered was refused one operation: a
    // right it lacks, which logging on again would not give it.
    if (status == netapi::ERROR_ACCESS_DENIED && AccountAnswered(server, host)) {
        netapi::Interact([&] { lookup->LacksRight(host, status); });
        return result;
    }
    // The prompt runs an event loop: a timer's call that fails meanwhile
    // keeps its failure instead of opening a second prompt.
    if (mAsking.exchange(true)) return result;
    struct Done {
        std::atomic<bool>& flag;
        ~Done() { flag = false; }
    } done{mAsking};
    for (int attempt = 0; attempt < kMaxLogonAsks; ++attempt) {
        std::optional<logon::Account> account;
        // Where the person can be asked; the time they take is not the call's.
        netapi::Interact([&] { account = lookup->Ask(host, status, attempt); });
        if (!account) break;
        UseAccount(server, host, *account);
        result = Guarded<R>(server, call);
        status = StatusOf(result);
        NoteLogon(server, status);
        if (status == NERR_Success || status == netapi::ERROR_MORE_DATA) {
            netapi::Interact([&] { lookup->Accepted(host, *account); });
            break;
        }
        // Only a wrong password is worth asking again; an account without the
        // rights for this call stays without them.
        if (status != netapi::ERROR_LOGON_FAILURE) break;
    }
    return result;
}

void SmbProvider::RetryComputer(const OptString& server) { mDead.Retry(Key(server)); }
void SmbProvider::RetryAllComputers() { mDead.RetryAll(); }

NET_API_STATUS SmbProvider::ResolveComputer(const OptString& server) {
    // As long as a listing would wait for the name, no longer.
    const netapi::BoundedCall bounded;
    netapi::CallControl lookup;
    lookup.whole = netapi::CurrentCall();
    lookup.deadline = std::min(lookup.whole->deadline, netapi::CallClock::now() + kProbeDeadline);
    const netapi::ScopedCall looking(&lookup);
    return mOpener->Resolve(HostFor(server));
}

NET_API_STATUS SmbProvider::LogOnAs(const OptString& server) {
    const auto lookup = logon::CurrentLookup();
    if (!lookup) return netapi::ERROR_NOT_SUPPORTED;
    const std::string host = HostFor(server);
    NET_API_STATUS status = logon::kAskedByAdministrator;
    for (int attempt = 0; attempt < kMaxLogonAsks; ++attempt) {
        std::optional<logon::Account> account;
        netapi::Interact([&] { account = lookup->Ask(host, status, attempt); });
        if (!account) return netapi::ERROR_CANCELLED;
        UseAccount(server, host, *account);
        // The server's own description proves the logon and asks for no right.
        netapi::ServerInfo101 info;
        status = Guarded<NET_API_STATUS>(
            server, [&](Server& s) { return s.srvsvc->ServerGetInfo(info); });
        if (status == NERR_Success) {
            netapi::Interact([&] { lookup->Accepted(host, *account); });
            return status;
        }
        if (status != netapi::ERROR_LOGON_FAILURE) return status;
    }
    return status;
}

void SmbProvider::ForgetLogOn(const OptString& server) {
    const std::string host = HostFor(server);
    mOpener->ForgetAccount(host);
    {
        std::lock_guard<std::mutex> guard(mServersLock);
        mServers.erase(Key(server));
    }
    if (const auto lookup = logon::CurrentLookup()) lookup->Forget(host);
}

namespace {

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

namespace {

// Where a listed computer came from decides what may be sent to it: this
// computer, one the administrator added, the directory's, or one found.
enum class Origin { Named, Added, Directory, Found };
struct Listed {
    std::u16string name;
    Origin origin;
};

// Found computers join the list unless one listed already is the same
// computer: the same address, or the same name resolving to that address.
// Another address claiming a listed name is another computer, shown with its
// address.
void AddFound(std::vector<Listed>& list, const std::vector<Candidate>& candidates) {
    const std::size_t before = list.size();
    for (const Candidate& c : candidates) {
        const std::string address = CanonicalAddress(c.address);
        if (address.empty()) continue;
        bool known = false;
        for (std::size_t i = 0; i < list.size() && !known; ++i) {
            const std::string host = HostOf(list[i].name);
            known = CanonicalAddress(host) == address;
            if (!known && i < before && !c.name.empty() && SameComputer(c.name, list[i].name))
                known = ResolvesTo(host, address);
        }
        if (!known) list.push_back({FoundName(c.name, address), Origin::Found});
    }
}

}  // namespace

netapi::EnumResult<netapi::ServerInfo101> SmbProvider::ServerEnum(DWORD servertype,
                                                                  const OptString&) {
    const netapi::BoundedCall bounded;
    const netapi::CallControl& control = bounded.Control();
    // Finding computers on the network waits for answers; the directory read
    // runs meanwhile, so both cost one wait within the call.
    std::function<std::vector<Candidate>()> source;
    {
        auto& f = Found();
        std::lock_guard<std::mutex> guard(f.lock);
        source = f.source;
    }
    std::future<std::vector<Candidate>> found;
    if (source) {
        netapi::CallControl* call = netapi::CurrentCall();
        try {
            found = std::async(std::launch::async, [source, call] {
                const netapi::ScopedCall scope(call);
                return source();
            });
        } catch (const std::exception&) {
            // No thread to spare: the listing goes on without what discovery finds.
        }
    }

    // No browser service to ask: the candidates are the local computer and the
    // known servers, each kept when the type bits it reports match the mask.
    std::vector<Listed> list;
    std::u16string local;
    if (HostName(local) == NERR_Success) list.push_back({local, Origin::Named});
    for (auto& s : KnownServers()) list.push_back({std::move(s), Origin::Added});

    // The directory's computers next, unless one of the above stands for them.
    std::function<std::vector<std::u16string>()> directory;
    {
        auto& d = Directory();
        std::lock_guard<std::mutex> guard(d.lock);
        directory = d.source;
    }
    for (const std::u16string& dnsName : directory ? directory() : TicketDomainComputers()) {
        if (dnsName.empty()) continue;
        bool known = false;
        for (std::size_t i = 0; i < list.size() && !known; ++i) known = SameComputer(list[i].name, dnsName);
        if (!known) list.push_back({dnsName, Origin::Directory});
    }
    if (found.valid()) {
        try {
            AddFound(list, found.get());
        } catch (const std::exception&) {
            // Whatever went wrong finding them, the other computers are still listed.
        }
    }

    std::vector<Listed> unique;
    std::vector<std::string> seen;
    for (Listed& l : list) {
        const std::string host = Key(l.name);
        if (std::find(seen.begin(), seen.end(), host) != seen.end()) continue;
        seen.push_back(host);
        unique.push_back(std::move(l));
    }

    // Every candidate at once, whether it answers at all, so that N computers
    // that are down cost one wait, not N; each that answers is asked for its
    // information right away. Computers remembered as down are not asked.
    struct Reply {
        NET_API_STATUS status = netapi::ERROR_BAD_NETPATH;
        netapi::ServerInfo101 info;
    };
    std::vector<Reply> replies(unique.size());
    std::vector<std::string> probeHosts;
    std::vector<std::size_t> probed;
    const auto now = netapi::CallClock::now();
    for (std::size_t i = 0; i < unique.size(); ++i) {
        if (const auto code = mDead.Blocked(Key(unique[i].name), now)) {
            replies[i].status = *code;
            continue;
        }
        probeHosts.push_back(HostFor(unique[i].name));
        probed.push_back(i);
    }
    const auto reachable = Probe(probeHosts, [&](std::size_t k) {
        const std::size_t i = probed[k];
        // A listing asks nobody for passwords; what each computer may be sent
        // is the transport's rule (NamedByAdministrator).
        replies[i].status = Guarded<NET_API_STATUS>(
            unique[i].name, [&](Server& s) { return s.srvsvc->ServerGetInfo(replies[i].info); });
    });
    // Only a computer that was asked and failed is down: one never asked
    // because time ran out, or a listing given up, says nothing about it.
    for (std::size_t k = 0; k < probed.size(); ++k) {
        const NET_API_STATUS why = k < reachable.size() ? reachable[k] : netapi::ERROR_CANCELLED;
        if (why == NERR_Success) continue;
        replies[probed[k]].status =
            why == netapi::WSAHOST_NOT_FOUND ? netapi::WSAHOST_NOT_FOUND : netapi::ERROR_BAD_NETPATH;
        if ((why == netapi::ERROR_BAD_NETPATH || why == netapi::WSAHOST_NOT_FOUND) && !control.GivenUp())
            mDead.Record(Key(unique[probed[k]].name), why, netapi::CallClock::now());
    }

    netapi::EnumResult<netapi::ServerInfo101> result;
    for (std::size_t i = 0; i < unique.size(); ++i) {
        Reply& r = replies[i];
        // A computer that refuses us cannot tell its type. One the
        // administrator named is listed anyway, under every type, so that it
        // can be chosen and logged on to; one found on the network (or in the
        // directory) only among all servers: choosing it is then theirs.
        const bool refused = logon::IsLogonRefusal(r.status);
        if (unique[i].origin == Origin::Added && r.status != NERR_Success) {
            // One the administrator added that could not tell its type is
            // listed under every type, so that it can be chosen, logged on to
            // and removed; what kept it from answering is said.
            r.info = {};
            netenum::AppendToCurrentForm(AddedComputerState(unique[i].name, r.status));
        } else if (refused && (unique[i].origin == Origin::Named || servertype == netapi::SV_TYPE_ALL)) {
            r.info = {};
        } else if (r.status != NERR_Success || (r.info.type & servertype) == 0) {
            continue;
        }
        // Listed under the name it is reached by, so choosing it reaches it again.
        r.info.name = unique[i].name;
        result.records.push_back(std::move(r.info));
    }
    result.total = static_cast<DWORD>(result.records.size());
    return result;
}

std::vector<NET_API_STATUS> SmbProvider::Probe(const std::vector<std::string>& hosts,
                                               const std::function<void(std::size_t)>& answered) {
    netapi::CallControl* whole = netapi::CurrentCall();
    netapi::CallControl probe;
    probe.whole = whole;
    probe.deadline = netapi::CallClock::now() + kProbeDeadline;
    if (whole != nullptr) probe.deadline = std::min(probe.deadline, whole->deadline);
    const netapi::ScopedCall probing(&probe);
    return mOpener->Reachable(hosts, [&](std::size_t i) {
        // What is asked of a computer that answered has the whole call's time.
        const netapi::ScopedCall asking(whole);
        answered(i);
    });
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

NET_API_STATUS SmbProvider::LocalComputerName(std::u16string& out) { return HostName(out); }

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
