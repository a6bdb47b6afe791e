#pragma once
// The names of the computers the network lists (NetServerEnum, level 101),
// for callers that want names rather than records.
#include <cstdint>
#include <string>
#include <vector>

namespace netenum {

// Every computer whose type bits meet `typeMask`, in the network's order. A
// failed call reports its "NetServerEnum error " line to the message target
// and gives what it has (nothing).
std::vector<std::u16string> ServerNames(std::uint32_t typeMask);

}  // namespace netenum
