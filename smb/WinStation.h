#pragma once
// The terminal server's legacy session interface (MS-TSTS, "LegacyAPI":
// 5ca4a760-ebb1-11cf-8611-00a0245420ed v1.0 on \pipe\Ctx_WinStation_API_service),
// the four operations that put a message box on a user's desktop, as pure
// functions over stubs: Encode* builds a request, Decode* reads a reply and
// returns NERR_Success when it was well formed (the server's NTSTATUS and
// its BOOLEAN answer are then set) or RPC_S_PROTOCOL_ERROR. Session records
// travel as raw bytes in the server's own memory layout.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "netenum/netapi.h"

namespace smb::winsta {

using netapi::NET_API_STATUS;
using Stub = std::vector<std::uint8_t>;
using Bytes = std::span<const std::uint8_t>;
using Handle = std::array<std::uint8_t, 20>;

constexpr std::uint16_t kOpOpenServer = 0;
constexpr std::uint16_t kOpCloseServer = 1;
constexpr std::uint16_t kOpEnumerate = 3;
constexpr std::uint16_t kOpQueryInformation = 5;
constexpr std::uint16_t kOpSendMessage = 7;

constexpr std::uint32_t STATUS_NO_MORE_ENTRIES = 0x8000001A;
// WINSTATIONSTATECLASS: only an active session has a desktop someone sees.
constexpr std::uint32_t kStateActive = 0;
// WINSTATIONINFOCLASS WinStationInformation.
constexpr std::uint32_t kWinStationInformation = 8;

// LOGONID: the session id, its station name (WCHAR[33]) and its state.
constexpr std::size_t kLogonIdBytes = 76;
// WINSTATIONINFORMATION: where its fields sit.
constexpr std::size_t kInformationBytes = 1216;
constexpr std::size_t kInfoLogonIdAt = 72;
constexpr std::size_t kInfoDomainAt = 1124;   // WCHAR[18]
constexpr std::size_t kInfoUserNameAt = 1160;  // WCHAR[21]
constexpr std::size_t kStationChars = 33, kDomainChars = 18, kUserChars = 21;
// What the server takes for a title or a message: 1024 bytes.
constexpr std::size_t kMaxTextChars = 512;

struct Session {
    std::uint32_t id = 0;
    std::u16string station;
    std::uint32_t state = 0;
};

// What a reply carries besides its data: the NTSTATUS in pResult and the
// operation's BOOLEAN.
struct Outcome {
    std::uint32_t result = 0;
    bool ok = false;
};

Stub EncodeOpenServer();
NET_API_STATUS DecodeOpenServer(Bytes stub, Handle& server, Outcome& out);

Stub EncodeCloseServer(const Handle& server);
NET_API_STATUS DecodeCloseServer(Bytes stub, Outcome& out);

// Asks for the sessions from `index` on, into a buffer of `bufferBytes`.
Stub EncodeEnumerate(const Handle& server, std::uint32_t index, std::uint32_t bufferBytes);
// The sessions the reply holds (no more than the buffer asked for) and the
// index to go on from.
NET_API_STATUS DecodeEnumerate(Bytes stub, std::uint32_t bufferBytes, std::vector<Session>& sessions,
                               std::uint32_t& index, Outcome& out);

Stub EncodeQueryInformation(const Handle& server, std::uint32_t logonId);
// The user logged on to session `logonId`; a record about another session
// is malformed.
NET_API_STATUS DecodeQueryInformation(Bytes stub, std::uint32_t logonId, std::u16string& domain,
                                      std::u16string& user, Outcome& out);

// A message box with `title` and `text` (at most kMaxTextChars each) on
// session `logonId`, not waiting for the user to answer it.
Stub EncodeSendMessage(const Handle& server, std::uint32_t logonId, std::u16string_view title,
                       std::u16string_view text);
NET_API_STATUS DecodeSendMessage(Bytes stub, Outcome& out);

}  // namespace smb::winsta
