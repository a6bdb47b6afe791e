// What LAN hosts send during one WS-Discovery listing is untrusted: any run
// of datagrams, from any addresses, and any metadata replies must leave the
// listing within its bounds, asking only the addresses that answered.
//
// Input: parts separated by "\n====\n". A part starting "HTTP/" is the reply
// to the next metadata request; any other is a datagram, from 10.0.0.1 to
// 10.0.0.4 in turn (every fifth from this machine's own address). Answers
// must relate to "urn:uuid:probe" (or "urn:uuid:resolve") to count.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzParts.h"
#include "discovery/WsdListing.h"

using namespace discovery;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::Parts(std::string_view(reinterpret_cast<const char*>(data), size));

    WsdListing listing("urn:uuid:probe", {"10.0.0.9", "fe80::9"});
    listing.Resolving("urn:uuid:resolve");
    std::vector<std::string_view> replies;
    std::size_t datagrams = 0;
    for (const std::string_view part : parts) {
        if (part.starts_with("HTTP/")) {
            replies.push_back(part);
            continue;
        }
        const std::string from = datagrams % 5 == 4 ? "10.0.0.9" : "10.0.0." + std::to_string(datagrams % 5 + 1);
        ++datagrams;
        for (const std::string& endpoint : listing.Add(part, from, "eth0"))
            if (endpoint.empty() || endpoint.size() > 256) __builtin_trap();
    }
    if (listing.EndpointCount() > kMaxEndpoints) __builtin_trap();

    const auto requests = listing.Requests();
    std::size_t reply = 0;
    for (const auto& request : requests) {
        // Nobody but the computer that answered is ever asked.
        const std::string host = CanonicalAddress(request.url.host);
        if (host.empty() || host == "10.0.0.9" || IsLoopbackAddress(host) || request.rank >= kXAddrsTried)
            __builtin_trap();
        listing.Answer(request, reply < replies.size() ? replies[reply++] : std::string_view());
    }
    const auto found = listing.Found();
    if (found.size() > kMaxEndpoints || requests.size() > kMaxEndpoints * kXAddrsTried)
        __builtin_trap();
    for (const auto& computer : found) {
        if (CanonicalAddress(computer.address).empty() || computer.address == "10.0.0.9") __builtin_trap();
        if (!computer.name.empty() && !IsPlainHostName(computer.name)) __builtin_trap();
        if (!computer.group.empty() && !IsPlainHostName(computer.group)) __builtin_trap();
    }
    return 0;
}
