#pragma once
// DNS-SD: the _smb._tcp services that the system's Avahi daemon sees. When
// no daemon runs (or libavahi-client was not found at build time) the answer
// is simply empty. What Avahi reports was announced by any host on the link:
// it is read like any other answer from the network, and bounded.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "FoundComputer.h"

namespace discovery {

// One resolved service as Avahi reports it: the instance name ("Files"),
// the host name ("files.local"), the address text and the interface name.
FoundComputer FromDnsSd(const std::string& serviceName, const std::string& hostName,
                        const std::string& address, const std::string& interfaceName);

// Adds one resolved service to a listing: not this machine's own (`local`,
// or a loopback address), one computer per address, an IPv6 address of a
// computer already found by IPv4 under the same host name left out, at most
// kMaxFound in all.
void AddDnsSd(std::vector<FoundComputer>& found, const std::string& serviceName,
              const std::string& hostName, const std::string& address,
              const std::string& interfaceName, bool local);

// Browses and resolves for `window`; `stop` (may be empty) ends it early.
std::vector<FoundComputer> DiscoverDnsSd(std::chrono::milliseconds window,
                                         const std::function<bool()>& stop = {});

}  // namespace discovery
