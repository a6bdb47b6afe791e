#pragma once
// Names to addresses through the system's resolver, within the current
// call's deadline: a resolver cannot be interrupted, so the lookups run on
// threads of their own and an unanswered one is given up, not waited for.
#include <string>
#include <vector>

#include "netenum/CallControl.h"

namespace smb {

// Where each host's name leads: its addresses, or why none (11001: the name
// does not resolve; 53: the name server did not answer by the current call's
// deadline). All names are looked up at once, so a name server that does
// not answer costs one wait, not one per name; addresses need no lookup.
struct Resolution {
    netapi::NET_API_STATUS status = netapi::ERROR_BAD_NETPATH;
    struct Address {
        int family = 0;
        int socktype = 0;
        int protocol = 0;
        std::vector<unsigned char> bytes;  // the sockaddr
    };
    std::vector<Address> addresses;
};
std::vector<Resolution> ResolveHosts(const std::vector<std::string>& hosts, unsigned short port);

// Whether `name` leads, through the system's resolver, to `address` (an
// address literal), within the current call's deadline.
bool ResolvesTo(const std::string& name, const std::string& address);

}  // namespace smb
