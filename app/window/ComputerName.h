#pragma once
// What the administrator may type as a computer to add: a host name, a fully
// qualified name, an IPv4 or an IPv6 address (optionally "\\NAME" or "[v6]").
// The list is stored comma-separated and each entry ends up inside an smb://
// URL, so anything that could split the list or change the URL is refused.
#include <string>
#include <string_view>

namespace app {

struct ComputerNameCheck {
    std::u16string name;     // the entry as it will be stored, when accepted
    std::u16string problem;  // one sentence for the administrator, when refused
    bool ok() const { return problem.empty(); }
};

inline constexpr std::size_t kMaxHostNameLength = 253;  // DNS: whole name
inline constexpr std::size_t kMaxLabelLength = 63;      // DNS: one dotted part

ComputerNameCheck CheckComputerName(std::u16string_view typed);

}  // namespace app
