#pragma once
// WS-Discovery as Windows and Samba hosts running wsdd answer it: a Probe to
// 239.255.255.250:3702 and ff02::c, ProbeMatches collected for a short
// window, a Resolve for endpoints that gave no address, then a WS-Transfer
// Get on the device's address for its pub:Computer metadata ("NAME/Workgroup:
// GROUP"). The messages are built and read here; the sockets in Discover.
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "FoundComputer.h"

namespace discovery {

inline constexpr std::size_t kMaxMessageBytes = 65536;
inline constexpr std::size_t kMaxEndpoints = 256;

std::string ProbeMessage(const std::string& messageId);
std::string ResolveMessage(const std::string& messageId, const std::string& endpoint);
std::string GetMessage(const std::string& messageId, const std::string& endpoint);

// One ProbeMatch or ResolveMatch: the endpoint's address (urn:uuid:...) and
// its transport addresses (http://host:5357/...), when the message carried them.
struct Match {
    std::string endpoint;
    std::vector<std::string> xaddrs;
    bool isComputer = false;  // its types include pub:Computer
};
// Every match of a ProbeMatches, ResolveMatches or Hello message; nothing for
// anything else (or for malformed XML).
std::vector<Match> ParseMatches(std::string_view xml);

// The pub:Computer value of a Get reply: "NAME/Workgroup:GROUP",
// "NAME/Domain:DOMAIN" or just "NAME". False when there is none.
bool ParseComputer(std::string_view xml, std::string& name, std::string& group);

// The text of the first element with this local name (any namespace prefix),
// entities decoded; empty when there is none.
std::string ElementText(std::string_view xml, std::string_view localName);

// Sends the Probe on every IPv4 and IPv6 multicast-capable interface, waits
// `window` for answers, resolves and asks each computer for its name.
std::vector<FoundComputer> DiscoverWsd(std::chrono::milliseconds window);

}  // namespace discovery
