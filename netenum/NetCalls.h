#pragma once
// The network calls the windows make besides the collections, as functions
// that return values: the buffers, records and their layout stay in this
// layer, and every buffer is released before the function returns.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "netapi.h"

namespace netenum {

// The computers of one type (a server-type mask) on the network.
struct ServerListing {
    netapi::NET_API_STATUS status = netapi::NERR_Success;
    // The total the answer claims; it may exceed the names it holds.
    std::int32_t total = 0;
    // Only the names of the records the answer really holds.
    std::vector<std::u16string> names;
};
// A partial answer (more data) counts as a failure here.
ServerListing EnumServerNames(std::uint32_t serverType);
// The names of every computer whose type bits meet `typeMask`, in the
// network's order, blank names left out. A partial answer gives its part; a
// failed call reports its "NetServerEnum error " line to the message target
// and gives nothing.
std::vector<std::u16string> ServerNames(std::uint32_t typeMask);

// Disabling or enabling one account; `server` as NetUserGetInfo takes it.
// AccessDenied: the account could not even be read (5), which on a member
// server that restricts remote access to its account database is all anyone
// but its administrators gets.
enum class AccountChange {
    Changed,
    AlreadyDisabled,
    AlreadyEnabled,
    GetInfoFailed,
    SetInfoFailed,
    AccessDenied
};
AccountChange SetAccountDisabled(std::u16string_view server, std::u16string_view user,
                                 bool disable);

// Disabling or enabling the account of a session user of `server`. A user
// named DOMAIN\user, or one `server` does not hold (2221), has a domain
// account: it is changed on a domain controller of that domain when one can
// be found, which `computer` then names ("" when the account was handled on
// `server` itself). An account of `server`'s own (SERVER\user) stays there.
struct SessionAccountChange {
    AccountChange change = AccountChange::GetInfoFailed;
    std::u16string computer;
};
SessionAccountChange SetSessionAccountDisabled(std::u16string_view server, std::u16string_view user,
                                               bool disable);

// A message to the messenger name `recipient`, sent from this computer; the
// text goes without a terminator.
netapi::NET_API_STATUS SendMessageText(std::u16string_view recipient, std::u16string_view text);

// A message box on the desktop sessions `recipient` has on `server`, for
// servers without a messenger service. `sessions`: those it reached, as
// "2 (RDP-Tcp#0)".
struct DesktopMessage {
    netapi::NET_API_STATUS status = netapi::NERR_Success;
    std::vector<std::u16string> sessions;
};
DesktopMessage SendDesktopMessage(std::u16string_view server, std::u16string_view recipient,
                                  std::u16string_view text);

// The clock record of `server` (as NetRemoteTOD takes it), or nullopt when it
// cannot be read.
std::optional<netapi::TIME_OF_DAY_INFO> RemoteTimeOfDay(std::u16string_view server);

// The usage summary's calls. A partial answer (more data) counts: what the
// server gave is read.
// How many sessions `server` counts, not the records: level 502, or level
// 10, which anyone may ask for, when 502 is refused. When the lower level
// fails too, the first call's status stands.
struct SessionTotal {
    netapi::NET_API_STATUS status = netapi::NERR_Success;
    netapi::DWORD total = 0;
};
SessionTotal CountSessions(std::u16string_view server);

// The open files `server` listed, their locks and how many are named pipes.
struct OpenFileTotals {
    netapi::NET_API_STATUS status = netapi::NERR_Success;
    netapi::DWORD files = 0;
    std::uint64_t locks = 0;  // counts from the server are unsigned and may be huge
    std::int32_t pipes = 0;
};
OpenFileTotals CountOpenFiles(std::u16string_view server);

// The description (server information level 101) of `server`; none when the
// call failed or succeeded without a record.
struct ServerComment {
    netapi::NET_API_STATUS status = netapi::NERR_Success;
    std::optional<std::u16string> comment;
};
ServerComment ReadServerComment(std::u16string_view server);

}  // namespace netenum
