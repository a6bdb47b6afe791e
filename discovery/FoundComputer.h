#pragma once
// A computer that answered on the local network: the name it gives, the
// workgroup or domain it says it belongs to, and the address it answered
// from. The address is what identifies it: names are claims, and two
// computers may claim the same one.
#include <string>
#include <vector>

namespace discovery {

// Computers one listing keeps from each source, whatever the network sends.
inline constexpr std::size_t kMaxFound = 256;

struct FoundComputer {
    std::string name;     // without domain suffix, as the computer names itself; may be empty
    std::string group;    // workgroup or domain; may be empty
    std::string address;  // IPv4 or IPv6 literal (link-local ones with their %interface)
};

// A name a computer gave is data from the network: only a plain host name
// (letters, digits, '-', '_', at most 63) is kept.
bool IsPlainHostName(const std::string& name);

// Adds `found` unless a computer with the same address is there already (it
// then only lends a name the first one lacked), and only while fewer than
// kMaxFound are there. Another address under the same name is another computer.
void Merge(std::vector<FoundComputer>& into, const FoundComputer& found);

}  // namespace discovery
