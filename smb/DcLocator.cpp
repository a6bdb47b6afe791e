#include "DcLocator.h"

#include <arpa/nameser.h>
#include <netinet/in.h>
#include <resolv.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "netenum/CallControl.h"

namespace smb {
namespace {

constexpr std::size_t kMaxTargets = 64;

bool ValidHostName(const std::string& name) {
    if (name.empty() || name.size() > 253 || name == ".") return false;
    return std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '-' || c == '.' || c == '_';
    });
}

}  // namespace

std::vector<SrvTarget> ParseSrvAnswer(const std::uint8_t* message, std::size_t size) {
    std::vector<SrvTarget> out;
    ns_msg handle;
    if (message == nullptr || size > 65535 || ns_initparse(message, static_cast<int>(size), &handle) != 0)
        return out;
    const int count = ns_msg_count(handle, ns_s_an);
    for (int i = 0; i < count && out.size() < kMaxTargets; ++i) {
        ns_rr rr;
        if (ns_parserr(&handle, ns_s_an, i, &rr) != 0) break;
        if (ns_rr_type(rr) != ns_t_srv || ns_rr_rdlen(rr) < 7) continue;
        const std::uint8_t* data = ns_rr_rdata(rr);
        SrvTarget t;
        t.priority = ns_get16(data);
        t.weight = ns_get16(data + 2);
        t.port = ns_get16(data + 4);
        char name[NS_MAXDNAME] = {};
        if (dn_expand(ns_msg_base(handle), ns_msg_end(handle), data + 6, name, sizeof name) < 0)
            continue;
        t.host = name;
        if (!ValidHostName(t.host)) continue;
        out.push_back(std::move(t));
    }
    std::stable_sort(out.begin(), out.end(), [](const SrvTarget& a, const SrvTarget& b) {
        return a.priority != b.priority ? a.priority < b.priority : a.weight > b.weight;
    });
    return out;
}

std::vector<std::string> FindDomainControllers(const std::string& dnsDomain,
                                               std::chrono::milliseconds budget) {
    std::vector<std::string> hosts;
    if (!ValidHostName(dnsDomain)) return hosts;
    if (const netapi::CallControl* call = netapi::CurrentCall())
        budget = std::min(budget, call->Remaining());
    // The resolver counts in whole seconds, per name server.
    const long long seconds = budget.count() / 1000;
    if (seconds < 1) return hosts;
    struct __res_state state;
    std::memset(&state, 0, sizeof state);
    if (res_ninit(&state) != 0) return hosts;
    // One try per name server, all of them within the budget: a dead DNS
    // server must not hold the window.
    state.retrans = static_cast<int>(std::clamp<long long>(seconds / std::max(1, state.nscount), 1, 2));
    state.retry = 1;
    if (state.nscount > seconds) state.nscount = static_cast<int>(seconds);
    std::vector<std::uint8_t> answer(4096);
    const std::string name = "_ldap._tcp.dc._msdcs." + dnsDomain;
    const int n = res_nquery(&state, name.c_str(), ns_c_in, ns_t_srv, answer.data(),
                             static_cast<int>(answer.size()));
    res_nclose(&state);
    if (n <= 0) return hosts;
    for (const SrvTarget& t : ParseSrvAnswer(answer.data(), std::min<std::size_t>(n, answer.size())))
        hosts.push_back(t.host);
    return hosts;
}

std::vector<std::string> LikelyDnsDomains(const std::string& host) {
    std::vector<std::string> out;
    auto add = [&out](std::string d) {
        while (!d.empty() && d.back() == '.') d.pop_back();
        for (char& c : d) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ValidHostName(d) && d.find('.') != std::string::npos &&
            std::find(out.begin(), out.end(), d) == out.end())
            out.push_back(std::move(d));
    };
    const bool address = host.find(':') != std::string::npos ||
                         std::all_of(host.begin(), host.end(), [](unsigned char c) {
                             return std::isdigit(c) || c == '.';
                         });
    if (const auto dot = host.find('.'); !address && dot != std::string::npos)
        add(host.substr(dot + 1));
    struct __res_state state;
    std::memset(&state, 0, sizeof state);
    if (res_ninit(&state) == 0) {
        for (int i = 0; i < MAXDNSRCH && state.dnsrch[i] != nullptr; ++i) add(state.dnsrch[i]);
        res_nclose(&state);
    }
    return out;
}

}  // namespace smb
