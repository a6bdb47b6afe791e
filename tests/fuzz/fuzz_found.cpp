// Computers other hosts announce or a directory lists are untrusted: any
// DNS-SD results and LDAP entries must come out bounded, with plain names
// and real addresses.
//
// Input: records separated by "\n====\n", fields inside by '|'. A record
// starting "dnssd|" is SERVICE|HOST|ADDRESS|INTERFACE|LOCAL (LOCAL "1" for
// this machine's own); one starting "ldap|" is DNSHOSTNAME|OPERATINGSYSTEM.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzParts.h"
#include "discovery/DnsSd.h"
#include "discovery/WsdListing.h"
#include "smb/Directory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<discovery::FoundComputer> found;
    std::vector<smb::DirectoryComputer> directory;
    for (const std::string_view record : fuzz::Parts(std::string_view(reinterpret_cast<const char*>(data), size))) {
        std::vector<std::string> fields;
        for (const std::string_view field : fuzz::Parts(record, "|")) fields.emplace_back(field);
        fields.resize(6);
        if (fields[0] == "dnssd")
            discovery::AddDnsSd(found, fields[1], fields[2], fields[3], fields[4], fields[5] == "1");
        else if (fields[0] == "ldap")
            smb::AddDirectoryEntry(directory, fields[1], fields[2]);
    }
    if (found.size() > discovery::kMaxFound || directory.size() > smb::kMaxDirectoryComputers) __builtin_trap();
    for (const auto& computer : found) {
        const std::string bare = computer.address.substr(0, computer.address.find('%'));
        if (discovery::CanonicalAddress(bare).empty() || discovery::IsLoopbackAddress(discovery::CanonicalAddress(bare)))
            __builtin_trap();
        if (!computer.name.empty() && !discovery::IsPlainHostName(computer.name)) __builtin_trap();
        for (const auto& other : found)
            if (&other != &computer && other.address == computer.address) __builtin_trap();
    }
    for (const auto& computer : directory)
        if (computer.dnsHostName.empty() || computer.dnsHostName.size() > 253 ||
            computer.dnsHostName.find_first_of(" \r\n\t\\/,") != std::string::npos)
            __builtin_trap();
    return 0;
}
