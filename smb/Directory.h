#pragma once
// The computers an Active Directory domain knows: every (objectCategory=
// computer) object's dNSHostName and operatingSystem, read from one of the
// domain's controllers over LDAP with the user's Kerberos ticket (a GSSAPI
// bind). Bounded in time and in size like every other answer of a server.
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace smb {

struct DirectoryComputer {
    std::string dnsHostName;
    std::string operatingSystem;
};

// At most this many computers are read from a directory.
constexpr std::size_t kMaxDirectoryComputers = 5000;

// The domain of the user's ticket (its realm in small letters), or empty
// without a live ticket of ours (a cache others could have planted counts as
// none, as it does for logging on).
std::string TicketDomain();

// The computers of `dnsDomain` from the first of its controllers that
// answers; empty when none does or the bind is refused. Finding the
// controllers and asking them takes at most `timeout` in all, and never
// longer than the current call has left.
std::vector<DirectoryComputer> DirectoryComputers(const std::string& dnsDomain,
                                                  std::chrono::milliseconds timeout);

// One entry's first values as the directory sent them: kept when the name
// is a plain DNS host name and fewer than kMaxDirectoryComputers are kept.
bool AddDirectoryEntry(std::vector<DirectoryComputer>& out, std::string_view dnsHostName,
                       std::string_view operatingSystem);

// "DC=office,DC=test" for "office.test".
std::string NamingContextOf(const std::string& dnsDomain);

}  // namespace smb
