// SmbProvider's computer listing (NetServerEnum): this computer, the known
// servers, the directory's and the found ones, each probed at once within
// the call, asked for its type when it answers, and listed under the name
// that reaches it.
#include <algorithm>
#include <exception>
#include <future>

#include "Directory.h"
#include "HostLookup.h"
#include "SmbProviderCalls.h"
#include "netenum/MessageTarget.h"
#include "text/Text.h"

namespace smb {

namespace {

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
    const std::function<std::vector<Candidate>()> source = CandidateSource();
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
    if (LocalHostName(local) == NERR_Success) list.push_back({local, Origin::Named});
    for (auto& s : KnownServers()) list.push_back({std::move(s), Origin::Added});

    // The directory's computers next, unless one of the above stands for them.
    const std::function<std::vector<std::u16string>()> directory = DirectorySource();
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

}  // namespace smb
