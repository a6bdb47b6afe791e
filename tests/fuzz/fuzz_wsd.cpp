// Replies of WS-Discovery peers are untrusted: any datagram or Get reply must
// parse without crashing, and what it yields stays within its bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "discovery/WsDiscovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view xml(reinterpret_cast<const char*>(data), size);
    const auto matches = discovery::ParseMatches(xml);
    if (matches.size() > discovery::kMaxEndpoints) __builtin_trap();
    for (const auto& m : matches)
        if (m.endpoint.empty() || m.endpoint.size() > 256 || m.xaddrs.size() > 8) __builtin_trap();
    std::string name, group;
    if (discovery::ParseComputer(xml, name, group) && name.empty()) __builtin_trap();
    return 0;
}
