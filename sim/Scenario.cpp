#include "Scenario.h"

#include <array>
#include <utility>

namespace sim {
namespace {

constexpr std::array<std::pair<Call, const char*>, 19> kCallNames{{
    {Call::NetFileEnum, "NetFileEnum"},
    {Call::NetFileClose, "NetFileClose"},
    {Call::NetFileGetInfo, "NetFileGetInfo"},
    {Call::NetSessionEnum, "NetSessionEnum"},
    {Call::NetSessionDel, "NetSessionDel"},
    {Call::NetShareEnum, "NetShareEnum"},
    {Call::NetConnectionEnum, "NetConnectionEnum"},
    {Call::NetServerGetInfo, "NetServerGetInfo"},
    {Call::NetServerSetInfo, "NetServerSetInfo"},
    {Call::NetRemoteTOD, "NetRemoteTOD"},
    {Call::NetUserGetInfo, "NetUserGetInfo"},
    {Call::NetUserSetInfo, "NetUserSetInfo"},
    {Call::NetMessageBufferSend, "NetMessageBufferSend"},
    {Call::GetComputerName, "GetComputerName"},
    {Call::NetServerEnum, "NetServerEnum"},
    {Call::NetShareAdd, "NetShareAdd"},
    {Call::NetShareDel, "NetShareDel"},
    {Call::NetShareGetInfo, "NetShareGetInfo"},
    {Call::NetShareSetInfo, "NetShareSetInfo"},
}};

}  // namespace

const char* CallName(Call call) {
    for (const auto& [c, name] : kCallNames)
        if (c == call) return name;
    return "?";
}

std::optional<Call> CallFromName(std::string_view name) {
    for (const auto& [c, n] : kCallNames)
        if (name == n) return c;
    return std::nullopt;
}

}  // namespace sim
