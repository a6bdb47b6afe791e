#include "ServerNames.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "StatusMap.h"
#include "text/Text.h"

namespace smb {

using netapi::NERR_Success;
using netapi::NET_API_STATUS;
using netapi::OptString;

namespace {

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

}  // namespace

NET_API_STATUS LocalHostName(std::u16string& out) {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0) return ErrnoToStatus(errno);
    std::string s(name);
    if (const auto dot = s.find('.'); dot != std::string::npos) s.resize(dot);
    out = text::ToUpper(text::FromUtf8(s));
    return NERR_Success;
}

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

void SetKnownServers(std::vector<std::u16string> servers) {
    auto& k = Known();
    std::lock_guard<std::mutex> guard(k.lock);
    k.servers.clear();
    for (auto& s : servers)
        for (auto& item : SplitList(s)) k.servers.push_back(std::move(item));
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
    if (LocalHostName(local) == NERR_Success && text::EqualsIgnoreCase(s, local)) return "127.0.0.1";
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

}  // namespace smb
