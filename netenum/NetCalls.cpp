#include "NetCalls.h"

#include <algorithm>
#include <cstring>

#include "MessageTarget.h"
#include "NetBuffer.h"
#include "modAPI_Error.h"

namespace netenum {

namespace {

// NetServerEnum at level 101. The names are read from a whole or a partial
// answer, only of the records the buffer holds, whatever total the server claims.
ServerListing ReadServerNames(std::uint32_t serverType) {
    ServerListing result;
    NetBuffer buffer;
    netapi::DWORD entriesRead = 0;
    netapi::DWORD totalEntries = 0;
    result.status = netapi::NetServerEnum(nullptr, 101, buffer.Out(), netapi::MAX_PREFERRED_LENGTH,
                                          &entriesRead, &totalEntries, serverType, nullptr,
                                          nullptr);
    if (result.status != netapi::NERR_Success && result.status != netapi::ERROR_MORE_DATA)
        return result;
    result.total = static_cast<std::int32_t>(totalEntries);
    if (result.total <= 0) return result;
    const auto* records = buffer.As<netapi::SERVER_INFO_101>();
    const netapi::DWORD readable = records == nullptr ? 0 : std::min(entriesRead, totalEntries);
    result.names.reserve(readable);
    for (netapi::DWORD i = 0; i < readable; ++i)
        result.names.push_back(PointerToString(&records[i].sv101_name));
    return result;
}

}  // namespace

ServerListing EnumServerNames(std::uint32_t serverType) {
    ServerListing result = ReadServerNames(serverType);
    if (result.status != netapi::NERR_Success) return {result.status, 0, {}};
    return result;
}

std::vector<std::u16string> ServerNames(std::uint32_t typeMask) {
    ServerListing listing = ReadServerNames(typeMask);
    if (listing.status != netapi::NERR_Success && listing.status != netapi::ERROR_MORE_DATA) {
        AppendToCurrentForm(FailureLine(u"NetServerEnum", listing.status));
        return {};
    }
    std::erase_if(listing.names, [](const std::u16string& name) { return name.empty(); });
    return std::move(listing.names);
}

AccountChange SetAccountDisabled(std::u16string_view server, std::u16string_view user,
                                 bool disable) {
    const std::u16string serverName(server);
    const std::u16string userName(user);
    NetBuffer buffer;
    if (netapi::NetUserGetInfo(serverName.c_str(), userName.c_str(), 3, buffer.Out()) !=
            netapi::NERR_Success ||
        !buffer)
        return AccountChange::GetInfoFailed;

    // The record goes back whole: its strings and logon hours keep pointing
    // into this buffer, and of the flags only the one bit changes.
    netapi::USER_INFO_3 record;
    std::memcpy(&record, buffer.Get(), sizeof record);
    const bool disabled = (record.usri3_flags & netapi::UF_ACCOUNTDISABLE) != 0;
    if (disable && disabled) return AccountChange::AlreadyDisabled;
    if (!disable && !disabled) return AccountChange::AlreadyEnabled;
    record.usri3_flags = disable ? (record.usri3_flags | netapi::UF_ACCOUNTDISABLE)
                                 : (record.usri3_flags & ~netapi::UF_ACCOUNTDISABLE);
    std::memcpy(buffer.Get(), &record, sizeof record);

    netapi::DWORD parmErr = 0;
    const auto status =
        netapi::NetUserSetInfo(serverName.c_str(), userName.c_str(), 3, buffer.Get(), &parmErr);
    return status == netapi::NERR_Success ? AccountChange::Changed : AccountChange::SetInfoFailed;
}

netapi::NET_API_STATUS SendMessageText(std::u16string_view recipient, std::u16string_view text) {
    const std::u16string name(recipient);
    // The call takes the text as bytes it may not change: a copy of its own.
    std::u16string body(text);
    return netapi::NetMessageBufferSend(nullptr, name.c_str(), nullptr,
                                        reinterpret_cast<netapi::LPBYTE>(body.data()),
                                        static_cast<netapi::DWORD>(body.size() * sizeof(char16_t)));
}

std::optional<netapi::TIME_OF_DAY_INFO> RemoteTimeOfDay(std::u16string_view server) {
    const std::u16string serverName(server);
    NetBuffer buffer;
    if (netapi::NetRemoteTOD(serverName.c_str(), buffer.Out()) != netapi::NERR_Success || !buffer)
        return std::nullopt;
    return *buffer.As<netapi::TIME_OF_DAY_INFO>();
}

}  // namespace netenum
