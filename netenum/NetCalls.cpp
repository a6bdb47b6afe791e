#include "NetCalls.h"

#include <algorithm>
#include <cstring>

#include "MessageTarget.h"
#include "NetBuffer.h"
#include "ReadRecords.h"
#include "modAPI_Error.h"
#include "text/Text.h"

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

namespace {

// One account on one server; `getStatus` receives NetUserGetInfo's answer.
AccountChange ChangeAccount(const std::u16string& serverName, const std::u16string& userName,
                            bool disable, netapi::NET_API_STATUS& getStatus) {
    NetBuffer buffer;
    getStatus = netapi::NetUserGetInfo(serverName.c_str(), userName.c_str(), 3, buffer.Out());
    if (getStatus == netapi::ERROR_ACCESS_DENIED) return AccountChange::AccessDenied;
    if (getStatus != netapi::NERR_Success || !buffer) return AccountChange::GetInfoFailed;

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

// A domain controller of `domain` as `server` finds it, without its
// backslashes; empty when there is none.
std::u16string DomainController(const std::u16string& server, const std::u16string& domain) {
    NetBuffer buffer;
    if (netapi::NetGetAnyDCName(server.c_str(), domain.empty() ? nullptr : domain.c_str(),
                                buffer.Out()) != netapi::NERR_Success ||
        !buffer)
        return {};
    const char16_t* name = buffer.As<char16_t>();
    std::u16string dc = PointerToString(&name);
    while (!dc.empty() && dc.front() == u'\\') dc.erase(dc.begin());
    return dc;
}

std::u16string Bare(std::u16string_view server) {
    while (!server.empty() && server.front() == u'\\') server.remove_prefix(1);
    return std::u16string(server);
}

}  // namespace

AccountChange SetAccountDisabled(std::u16string_view server, std::u16string_view user,
                                 bool disable) {
    netapi::NET_API_STATUS getStatus = 0;
    return ChangeAccount(std::u16string(server), std::u16string(user), disable, getStatus);
}

SessionAccountChange SetSessionAccountDisabled(std::u16string_view server, std::u16string_view user,
                                               bool disable) {
    const std::u16string serverName(server);
    const std::u16string fullName(user);
    SessionAccountChange result;
    netapi::NET_API_STATUS getStatus = 0;

    const auto slash = fullName.rfind(u'\\');
    if (slash != std::u16string::npos && slash > 0 && slash + 1 < fullName.size()) {
        const std::u16string domain = fullName.substr(0, slash);
        const std::u16string name = fullName.substr(slash + 1);
        const std::u16string dc = DomainController(serverName, domain);
        if (!dc.empty() && !text::EqualsIgnoreCase(dc, Bare(serverName))) {
            result.change = ChangeAccount(u"\\\\" + dc, name, disable, getStatus);
            result.computer = dc;
            return result;
        }
        // No controller (a workgroup, or the server's own SERVER\user): the
        // server that holds the session is asked, by the bare name.
        result.change = ChangeAccount(serverName, name, disable, getStatus);
        return result;
    }

    result.change = ChangeAccount(serverName, fullName, disable, getStatus);
    if (result.change == AccountChange::GetInfoFailed && getStatus == netapi::NERR_UserNotFound) {
        // Not the server's own: a domain account of the domain it belongs to.
        const std::u16string dc = DomainController(serverName, {});
        if (!dc.empty() && !text::EqualsIgnoreCase(dc, Bare(serverName))) {
            result.change = ChangeAccount(u"\\\\" + dc, fullName, disable, getStatus);
            result.computer = dc;
        }
    }
    return result;
}

netapi::NET_API_STATUS SendMessageText(std::u16string_view recipient, std::u16string_view text) {
    const std::u16string name(recipient);
    // The call takes the text as bytes it may not change: a copy of its own.
    std::u16string body(text);
    return netapi::NetMessageBufferSend(nullptr, name.c_str(), nullptr,
                                        reinterpret_cast<netapi::LPBYTE>(body.data()),
                                        static_cast<netapi::DWORD>(body.size() * sizeof(char16_t)));
}

DesktopMessage SendDesktopMessage(std::u16string_view server, std::u16string_view recipient,
                                  std::u16string_view text) {
    // The box says where it comes from: this computer, by its name.
    std::u16string title = u"Message";
    char16_t name[256] = {};
    netapi::DWORD size = 256;
    if (netapi::GetLocalComputerName(name, &size) == netapi::NERR_Success && size > 0)
        title = u"Message from " + std::u16string(name, size);
    const std::u16string serverName(server), user(recipient), body(text);
    NetBuffer buffer;
    netapi::DWORD count = 0;
    DesktopMessage result;
    result.status = netapi::WTSSendMessageToUser(serverName.c_str(), user.c_str(), title.c_str(),
                                                 body.c_str(), buffer.Out(), &count);
    if (result.status != netapi::NERR_Success || !buffer) return result;
    const auto* sessions = buffer.As<netapi::WTS_SESSION_INFOW>();
    for (netapi::DWORD i = 0; i < count; ++i) {
        std::u16string line = text::Number(sessions[i].SessionId);
        const std::u16string station = PointerToString(&sessions[i].pWinStationName);
        if (!station.empty()) line += u" (" + station + u")";
        result.sessions.push_back(std::move(line));
    }
    return result;
}

std::optional<netapi::TIME_OF_DAY_INFO> RemoteTimeOfDay(std::u16string_view server) {
    const std::u16string serverName(server);
    NetBuffer buffer;
    if (netapi::NetRemoteTOD(serverName.c_str(), buffer.Out()) != netapi::NERR_Success || !buffer)
        return std::nullopt;
    return *buffer.As<netapi::TIME_OF_DAY_INFO>();
}

namespace {

// "\PIPE\" at the start of the path, in any letter case.
bool IsPipePath(const char16_t* path) {
    static constexpr char16_t kPrefix[] = u"\\PIPE\\";
    if (path == nullptr) return false;
    for (int i = 0; i < 6; ++i) {
        if (path[i] == 0 || text::ToUpperChar(path[i]) != kPrefix[i]) return false;
    }
    return true;
}

}  // namespace

SessionTotal CountSessions(std::u16string_view server) {
    const std::u16string serverName(server), empty;
    NetBuffer buffer;
    netapi::DWORD entriesRead = 0;
    SessionTotal result;
    result.status = netapi::NetSessionEnum(serverName.c_str(), empty.c_str(), empty.c_str(), 502,
                                           buffer.Out(), netapi::MAX_PREFERRED_LENGTH, &entriesRead,
                                           &result.total, nullptr);
    if (LevelRefused(result.status)) {
        NetBuffer lower;
        netapi::DWORD lowerRead = 0, lowerTotal = 0;
        const auto lowerStatus = netapi::NetSessionEnum(
            serverName.c_str(), empty.c_str(), empty.c_str(), 10, lower.Out(),
            netapi::MAX_PREFERRED_LENGTH, &lowerRead, &lowerTotal, nullptr);
        if (lowerStatus == netapi::NERR_Success || lowerStatus == netapi::ERROR_MORE_DATA) {
            result.status = lowerStatus;
            result.total = lowerTotal;
        }
    }
    return result;
}

OpenFileTotals CountOpenFiles(std::u16string_view server) {
    const std::u16string serverName(server), empty;
    NetBuffer buffer;
    netapi::DWORD entriesRead = 0, totalEntries = 0, resumeHandle = 0;
    OpenFileTotals result;
    result.status = netapi::NetFileEnum(serverName.c_str(), empty.c_str(), empty.c_str(), 3,
                                        buffer.Out(), netapi::MAX_PREFERRED_LENGTH, &entriesRead,
                                        &totalEntries, &resumeHandle);
    if (result.status != netapi::NERR_Success && result.status != netapi::ERROR_MORE_DATA)
        return result;
    const auto* records = buffer.As<netapi::FILE_INFO_3>();
    for (netapi::DWORD i = 0; records != nullptr && i < entriesRead; ++i) {
        result.locks += records[i].fi3_num_locks;
        if (IsPipePath(records[i].fi3_pathname)) ++result.pipes;
    }
    result.files = entriesRead;
    return result;
}

ServerComment ReadServerComment(std::u16string_view server) {
    const std::u16string serverName(server);
    NetBuffer buffer;
    ServerComment result;
    result.status = netapi::NetServerGetInfo(serverName.c_str(), 101, buffer.Out());
    if (result.status == netapi::NERR_Success && buffer)
        result.comment = PointerToString(&buffer.As<netapi::SERVER_INFO_101>()->sv101_comment);
    return result;
}

}  // namespace netenum
