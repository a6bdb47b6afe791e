#pragma once
// The kinds of computer the main window can list, in the order it offers them,
// with the server-type mask that NetServerEnum takes for each.
#include <array>
#include <cstdint>
#include <string_view>

namespace app {

struct ComputerType {
    std::u16string_view text;
    std::uint32_t mask;
};

inline constexpr std::array<ComputerType, 11> kComputerTypes{{
    {u"LAN Manager Workstation", 0x1},
    {u"LAN Manager Server", 0x2},
    {u"Microsoft SQL Server", 0x4},
    {u"Primary Domain Controller", 0x8},
    {u"Backup Domain Controller", 0x10},
    {u"Novell Server", 0x80},
    {u"Windows NT/2000/XP Workstation or Server", 0x1000},
    {u"Windows for Workgroups Server", 0x2000},
    {u"Windows NT/2000 Server (not a domain controller)", 0x8000},
    {u"Windows 95 or later", 0x400000},
    {u"All Servers", 0xFFFFFFFFu},
}};

// Exact comparison, letter case included; an unknown text gives 0.
constexpr std::uint32_t MaskOfComputerType(std::u16string_view text) {
    for (const auto& type : kComputerTypes)
        if (type.text == text) return type.mask;
    return 0;
}

}  // namespace app
