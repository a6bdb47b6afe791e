#pragma once
// The kinds of computer the main window can list, in the order it offers them,
// with the server-type mask that NetServerEnum takes for each.
#include <array>
#include <cstdint>
#include <string_view>

#include "netenum/netapi.h"

namespace app {

struct ComputerType {
    std::u16string_view text;
    std::uint32_t mask;
};

inline constexpr std::array<ComputerType, 11> kComputerTypes{{
    {u"LAN Manager Workstation", netapi::SV_TYPE_WORKSTATION},
    {u"LAN Manager Server", netapi::SV_TYPE_SERVER},
    {u"Microsoft SQL Server", netapi::SV_TYPE_SQLSERVER},
    {u"Primary Domain Controller", netapi::SV_TYPE_DOMAIN_CTRL},
    {u"Backup Domain Controller", netapi::SV_TYPE_DOMAIN_BAKCTRL},
    {u"Novell Server", netapi::SV_TYPE_NOVELL},
    {u"Windows NT/2000/XP Workstation or Server", netapi::SV_TYPE_NT},
    {u"Windows for Workgroups Server", netapi::SV_TYPE_WFW},
    {u"Windows NT/2000 Server (not a domain controller)", netapi::SV_TYPE_SERVER_NT},
    {u"Windows 95 or later", netapi::SV_TYPE_WINDOWS},
    {u"All Servers", netapi::SV_TYPE_ALL},
}};

// Exact comparison, letter case included; an unknown text gives 0.
constexpr std::uint32_t MaskOfComputerType(std::u16string_view text) {
    for (const auto& type : kComputerTypes)
        if (type.text == text) return type.mask;
    return 0;
}

}  // namespace app
