#pragma once
// Where a domain's controllers are: the DNS SRV records
// _ldap._tcp.dc._msdcs.DOMAIN that every Active Directory domain publishes,
// asked of the system's resolver with a short, bounded wait.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace smb {

struct SrvTarget {
    std::uint16_t priority = 0;
    std::uint16_t weight = 0;
    std::uint16_t port = 0;
    std::string host;
};

// The SRV records of a DNS answer (an untrusted message), in the order they
// should be tried: lowest priority first, then highest weight. Malformed
// messages give nothing; at most 64 targets are kept.
std::vector<SrvTarget> ParseSrvAnswer(const std::uint8_t* message, std::size_t size);

// The host names of `dnsDomain`'s controllers, best first; empty when DNS
// knows none or does not answer within `budget` (and within the current
// call's deadline), all name servers together.
std::vector<std::string> FindDomainControllers(const std::string& dnsDomain,
                                               std::chrono::milliseconds budget = std::chrono::seconds(4));

// The DNS domains a NetBIOS domain name may stand for, most likely first:
// the domain part of `host` (a server of that domain) and the resolver's
// search list. Addresses have no domain part.
std::vector<std::string> LikelyDnsDomains(const std::string& host);

}  // namespace smb
