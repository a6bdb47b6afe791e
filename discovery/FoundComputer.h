#pragma once
// A computer that answered on the local network: the name it gives, the
// workgroup or domain it says it belongs to, and the address it answered from.
#include <string>
#include <vector>

namespace discovery {

struct FoundComputer {
    std::string name;     // without domain suffix, as the computer names itself
    std::string group;    // workgroup or domain; may be empty
    std::string address;  // IPv4 or IPv6 literal
};

// A name a computer gave is data from the network: only a plain host name
// (letters, digits, '-', '_', at most 63) is kept.
bool IsPlainHostName(const std::string& name);

// Adds `found` unless a computer with the same name (letter case ignored) or
// the same address is there already.
void Merge(std::vector<FoundComputer>& into, const FoundComputer& found);

}  // namespace discovery
