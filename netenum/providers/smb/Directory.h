#pragma once
// The computers an Active Directory domain knows: every (objectCategory=
// computer) object's dNSHostName and operatingSystem, read from one of the
// domain's controllers over LDAP with the user's Kerberos ticket (a GSSAPI
// bind). Bounded in time and in size like every other answer of a server.
#include <chrono>
#include <string>
#include <vector>

namespace smb {

struct DirectoryComputer {
    std::string dnsHostName;
    std::string operatingSystem;
};

// At most this many computers are read from a directory.
constexpr std::size_t kMaxDirectoryComputers = 5000;

// The domain of the user's ticket (its realm in small letters), or empty
// without a live ticket.
std::string TicketDomain();

// The computers of `dnsDomain` from the first of its controllers that answers
// within `timeout`; empty when none does or the bind is refused.
std::vector<DirectoryComputer> DirectoryComputers(const std::string& dnsDomain,
                                                  std::chrono::milliseconds timeout);

// "DC=office,DC=test" for "office.test".
std::string NamingContextOf(const std::string& dnsDomain);

}  // namespace smb
