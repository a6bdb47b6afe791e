#pragma once
// What one WS-Discovery listing gathers: the answers to our Probe (and
// Resolves) from any number of datagrams, then the metadata of each
// computer. Nothing a sender says is taken on trust:
// - only answers to our own messages count (wsa:RelatesTo), and only
//   computers (pub:Computer);
// - one entry per address the answers came from, at most kMaxEndpoints
//   endpoints in all however many datagrams arrive, kMaxEndpointsPerAddress
//   from any one address;
// - metadata is asked only of that same address (never of loopback or of
//   this machine), at most kXAddrsTried transport addresses per computer.
// No sockets here: DiscoverWsd feeds it, tests and the fuzzer too.
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FoundComputer.h"
#include "WsdParse.h"

namespace discovery {

class WsdListing final {
public:
    // `probeId`: our Probe's MessageID; `ownAddresses`: this machine's
    // addresses (any text inet_pton reads).
    WsdListing(std::string probeId, const std::vector<std::string>& ownAddresses);

    // One datagram that came from `from` (an address literal) on interface
    // `scope` (needed for link-local IPv6). Returns the endpoints that gave no
    // transport address yet, each once: they are worth a Resolve.
    std::vector<std::string> Add(std::string_view datagram, const std::string& from,
                                 const std::string& scope);
    // A Resolve we sent: answers relating to it count.
    void Resolving(const std::string& messageId);

    // The metadata requests to make, best first within each computer.
    struct Request {
        std::size_t entry = 0;  // which computer (index into the listing's entries)
        std::size_t rank = 0;   // its place among that computer's requests
        std::string endpoint;
        Url url;
        std::string scope;
    };
    std::vector<Request> Requests() const;
    // The HTTP reply one request got (cut or empty when it got none).
    void Answer(const Request& request, std::string_view httpReply);

    // One per address, in the order they first answered; named by the best
    // ranked metadata that gave a plain host name.
    std::vector<FoundComputer> Found() const;

    std::size_t EndpointCount() const { return mEndpointCount; }

private:
    struct Endpoint {
        std::string id;
        std::vector<std::string> xaddrs;
        bool resolveAsked = false;
    };
    struct Entry {
        std::string address;  // canonical text
        std::string scope;
        std::vector<Endpoint> endpoints;
        std::map<std::size_t, std::pair<std::string, std::string>> names;  // rank -> name, group
    };

    std::string mProbeId;
    std::set<std::string> mResolveIds;
    std::set<std::string> mOwn;
    std::vector<Entry> mEntries;
    std::map<std::string, std::size_t> mEntryOf;  // address -> index
    std::size_t mEndpointCount = 0;
};

// An address literal in canonical form (IPv6 without its zone); empty when
// `text` is none.
std::string CanonicalAddress(std::string_view text);
// Loopback (127/8, ::1) or unspecified: never a neighbour.
bool IsLoopbackAddress(const std::string& canonical);

}  // namespace discovery
