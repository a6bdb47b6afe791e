#pragma once
// DNS-SD: the _smb._tcp services that the system's Avahi daemon sees. When
// no daemon runs (or libavahi-client was not found at build time) the answer
// is simply empty.
#include <chrono>
#include <string>
#include <vector>

#include "FoundComputer.h"

namespace discovery {

// One resolved service as Avahi reports it: the instance name ("Files"),
// the host name ("files.local"), the address text and the interface name.
FoundComputer FromDnsSd(const std::string& serviceName, const std::string& hostName,
                        const std::string& address, const std::string& interfaceName);

std::vector<FoundComputer> DiscoverDnsSd(std::chrono::milliseconds window);

}  // namespace discovery
