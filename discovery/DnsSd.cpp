#include "DnsSd.h"

#include <algorithm>

#include "WsdListing.h"

namespace discovery {

FoundComputer FromDnsSd(const std::string& serviceName, const std::string& hostName,
                        const std::string& address, const std::string& interfaceName) {
    FoundComputer found;
    // "files.local" names the computer; the instance name is a label a
    // person chose ("Files on Ann's Mac") and only used when it is a host name.
    std::string host = hostName;
    if (const auto dot = host.find('.'); dot != std::string::npos) host.resize(dot);
    if (IsPlainHostName(host)) found.name = host;
    else if (IsPlainHostName(serviceName)) found.name = serviceName;
    found.address = address;
    // A link-local IPv6 address is only reachable through its interface.
    if (address.rfind("fe80:", 0) == 0 && address.find('%') == std::string::npos &&
        !interfaceName.empty() && IsPlainHostName(interfaceName))
        found.address += "%" + interfaceName;
    return found;
}

void AddDnsSd(std::vector<FoundComputer>& found, const std::string& serviceName,
              const std::string& hostName, const std::string& address,
              const std::string& interfaceName, bool local) {
    // This machine is listed as itself.
    if (local || IsLoopbackAddress(CanonicalAddress(address))) return;
    FoundComputer computer = FromDnsSd(serviceName, hostName, address, interfaceName);
    if (CanonicalAddress(computer.address).empty()) return;  // not an address at all
    // Avahi resolves a dual-stack host once per protocol: one entry, by IPv4.
    if (computer.address.find(':') != std::string::npos && !computer.name.empty())
        for (const FoundComputer& have : found)
            if (have.address.find(':') == std::string::npos && have.name == computer.name) return;
    Merge(found, computer);
}

}  // namespace discovery

#ifdef VANTOR_HAVE_AVAHI
#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/simple-watch.h>
#include <net/if.h>

namespace discovery {
namespace {

// Resolvers open at one time, and resolves started in one listing: a host
// announcing thousands of services costs a bounded amount of work.
constexpr int kMaxPending = 64;
constexpr int kMaxResolves = 512;

struct Browse {
    AvahiClient* client = nullptr;
    std::vector<FoundComputer> found;
    int pending = 0;
    int started = 0;
};

void Resolved(AvahiServiceResolver* resolver, AvahiIfIndex interface, AvahiProtocol,
              AvahiResolverEvent event, const char* name, const char*, const char*,
              const char* hostName, const AvahiAddress* address, uint16_t, AvahiStringList*,
              AvahiLookupResultFlags flags, void* data) {
    auto* browse = static_cast<Browse*>(data);
    if (event == AVAHI_RESOLVER_FOUND && address != nullptr) {
        char text[AVAHI_ADDRESS_STR_MAX] = {};
        avahi_address_snprint(text, sizeof text, address);
        char ifname[IF_NAMESIZE] = {};
        if (interface < 0 || if_indextoname(static_cast<unsigned>(interface), ifname) == nullptr)
            ifname[0] = 0;
        AddDnsSd(browse->found, name ? name : "", hostName ? hostName : "", text, ifname,
                 (flags & AVAHI_LOOKUP_RESULT_LOCAL) != 0);
    }
    --browse->pending;
    avahi_service_resolver_free(resolver);
}

void Browsed(AvahiServiceBrowser*, AvahiIfIndex interface, AvahiProtocol protocol,
             AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
             AvahiLookupResultFlags flags, void* data) {
    auto* browse = static_cast<Browse*>(data);
    if (event != AVAHI_BROWSER_NEW || (flags & AVAHI_LOOKUP_RESULT_LOCAL) != 0 ||
        browse->pending >= kMaxPending || browse->started >= kMaxResolves)
        return;
    if (avahi_service_resolver_new(browse->client, interface, protocol, name, type, domain,
                                   AVAHI_PROTO_UNSPEC, static_cast<AvahiLookupFlags>(0),
                                   Resolved, browse) != nullptr) {
        ++browse->pending;
        ++browse->started;
    }
}

}  // namespace

std::vector<FoundComputer> DiscoverDnsSd(std::chrono::milliseconds window,
                                         const std::function<bool()>& stop) {
    Browse browse;
    AvahiSimplePoll* poll = avahi_simple_poll_new();
    if (poll == nullptr) return {};
    int error = 0;
    // Without the NO_FAIL flag a missing daemon is an immediate, quiet failure.
    browse.client = avahi_client_new(avahi_simple_poll_get(poll), static_cast<AvahiClientFlags>(0),
                                     nullptr, nullptr, &error);
    if (browse.client != nullptr) {
        AvahiServiceBrowser* browser = avahi_service_browser_new(
            browse.client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, "_smb._tcp", nullptr,
            static_cast<AvahiLookupFlags>(0), Browsed, &browse);
        if (browser != nullptr) {
            const auto deadline = std::chrono::steady_clock::now() + window;
            while (std::chrono::steady_clock::now() < deadline && !(stop && stop())) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                // Short slices, so that `stop` is looked at.
                if (avahi_simple_poll_iterate(poll, static_cast<int>(std::clamp<long long>(left.count(), 1, 100))) != 0)
                    break;
            }
            avahi_service_browser_free(browser);
        }
        avahi_client_free(browse.client);  // also frees resolvers still pending
    }
    avahi_simple_poll_free(poll);
    return browse.found;
}

}  // namespace discovery
#else
namespace discovery {
std::vector<FoundComputer> DiscoverDnsSd(std::chrono::milliseconds, const std::function<bool()>&) {
    return {};
}
}  // namespace discovery
#endif
