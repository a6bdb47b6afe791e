#include "WsdListing.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace discovery {

std::string CanonicalAddress(std::string_view text) {
    std::string s(text.substr(0, text.find('%')));
    if (s.size() > 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
    char out[INET6_ADDRSTRLEN] = {};
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, s.c_str(), &v4) == 1) return inet_ntop(AF_INET, &v4, out, sizeof out);
    if (inet_pton(AF_INET6, s.c_str(), &v6) == 1) {
        // An IPv4 address written the IPv6 way is that IPv4 address.
        if (IN6_IS_ADDR_V4MAPPED(&v6)) {
            std::memcpy(&v4, &v6.s6_addr[12], 4);
            return inet_ntop(AF_INET, &v4, out, sizeof out);
        }
        return inet_ntop(AF_INET6, &v6, out, sizeof out);
    }
    return {};
}

bool IsLoopbackAddress(const std::string& canonical) {
    return canonical.empty() || canonical.starts_with("127.") || canonical == "::1" ||
           canonical == "::" || canonical == "0.0.0.0";
}

WsdListing::WsdListing(std::string probeId, const std::vector<std::string>& ownAddresses)
    : mProbeId(std::move(probeId)) {
    for (const std::string& a : ownAddresses)
        if (std::string c = CanonicalAddress(a); !c.empty()) mOwn.insert(std::move(c));
}

void WsdListing::Resolving(const std::string& messageId) {
    if (mResolveIds.size() < kMaxEndpoints) mResolveIds.insert(messageId);
}

std::vector<std::string> WsdListing::Add(std::string_view datagram, const std::string& from,
                                         const std::string& scope) {
    std::vector<std::string> resolve;
    const std::string address = CanonicalAddress(from);
    // This machine is listed as itself; loopback is nobody's neighbour.
    if (IsLoopbackAddress(address) || mOwn.count(address) != 0) return resolve;
    Matches message = ReadMatches(datagram);
    if (message.relatesTo.empty() ||
        (message.relatesTo != mProbeId && mResolveIds.count(message.relatesTo) == 0))
        return resolve;
    for (Match& match : message.matches) {
        if (!match.isComputer) continue;
        auto at = mEntryOf.find(address);
        if (at == mEntryOf.end()) {
            if (mEndpointCount >= kMaxEndpoints) continue;
            at = mEntryOf.emplace(address, mEntries.size()).first;
            mEntries.push_back({address, scope, {}, {}});
        }
        Entry& entry = mEntries[at->second];
        auto endpoint = std::find_if(entry.endpoints.begin(), entry.endpoints.end(),
                                     [&](const Endpoint& e) { return e.id == match.endpoint; });
        if (endpoint == entry.endpoints.end()) {
            if (mEndpointCount >= kMaxEndpoints || entry.endpoints.size() >= kMaxEndpointsPerAddress)
                continue;
            ++mEndpointCount;
            entry.endpoints.push_back({match.endpoint, {}, false});
            endpoint = entry.endpoints.end() - 1;
        }
        // The first transport addresses given stay: a later answer cannot
        // move an endpoint somewhere else.
        if (endpoint->xaddrs.empty()) endpoint->xaddrs = std::move(match.xaddrs);
        if (endpoint->xaddrs.empty() && !endpoint->resolveAsked) {
            endpoint->resolveAsked = true;
            resolve.push_back(endpoint->id);
        }
    }
    return resolve;
}

std::vector<WsdListing::Request> WsdListing::Requests() const {
    std::vector<Request> requests;
    for (std::size_t e = 0; e < mEntries.size(); ++e) {
        const Entry& entry = mEntries[e];
        std::size_t rank = 0;
        for (const Endpoint& endpoint : entry.endpoints) {
            for (const std::string& xaddr : endpoint.xaddrs) {
                if (rank >= kXAddrsTried) break;
                std::optional<Url> url = SplitUrl(xaddr);
                // Only the computer that answered is asked, at the address it
                // answered from: no third host is sent anywhere.
                if (!url || CanonicalAddress(url->host) != entry.address) continue;
                requests.push_back({e, rank++, endpoint.id, std::move(*url), entry.scope});
            }
        }
    }
    return requests;
}

void WsdListing::Answer(const Request& request, std::string_view httpReply) {
    if (request.entry >= mEntries.size()) return;
    const std::optional<std::string> body = HttpBody(httpReply);
    std::string name, group;
    if (!body || !ParseComputer(*body, name, group) || !IsPlainHostName(name)) return;
    if (!IsPlainHostName(group)) group.clear();
    mEntries[request.entry].names.emplace(request.rank, std::make_pair(name, group));
}

std::vector<FoundComputer> WsdListing::Found() const {
    std::vector<FoundComputer> found;
    for (const Entry& entry : mEntries) {
        FoundComputer computer;
        computer.address = entry.address;
        if (!entry.scope.empty() && entry.address.starts_with("fe80:") && IsPlainHostName(entry.scope))
            computer.address += "%" + entry.scope;
        if (!entry.names.empty()) {
            computer.name = entry.names.begin()->second.first;
            computer.group = entry.names.begin()->second.second;
        }
        found.push_back(std::move(computer));
    }
    // A dual-stack computer answers on both: its IPv6 entry goes when an
    // IPv4 one has the same endpoint and the same name.
    std::vector<FoundComputer> kept;
    for (std::size_t i = 0; i < mEntries.size(); ++i) {
        bool twin = false;
        if (mEntries[i].address.find(':') != std::string::npos && !found[i].name.empty()) {
            for (std::size_t j = 0; j < mEntries.size() && !twin; ++j) {
                if (mEntries[j].address.find(':') != std::string::npos ||
                    found[j].name != found[i].name)
                    continue;
                for (const Endpoint& a : mEntries[i].endpoints)
                    for (const Endpoint& b : mEntries[j].endpoints) twin = twin || a.id == b.id;
            }
        }
        if (!twin) kept.push_back(found[i]);
    }
    return kept;
}

}  // namespace discovery
