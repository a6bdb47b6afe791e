// Arbitrary bytes as a share's security descriptor from a server: the parser
// must never read outside them, and whatever it accepts must write back into
// a descriptor that reads the same and writes the same bytes again.
#include <cstddef>
#include <cstdint>
#include <span>

#include "netenum/SecurityDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto sd = netapi::ParseSecurityDescriptor(std::span<const std::uint8_t>(data, size));
    if (!sd) return 0;
    for (const auto& ace : sd->dacl) (void)ace.Right();
    const auto bytes = netapi::BuildSecurityDescriptor(*sd);
    if (bytes.empty()) return 0;  // an ACL beyond 64 KiB once padded
    const auto again = netapi::ParseSecurityDescriptor(bytes);
    if (!again || !(*again == *sd)) __builtin_trap();
    if (netapi::BuildSecurityDescriptor(*again) != bytes) __builtin_trap();
    if (netapi::SelfRelativeLength(bytes.data()) != bytes.size()) __builtin_trap();
    return 0;
}
