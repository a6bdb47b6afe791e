#pragma once
// The server service (srvsvc) operations the program uses, as pure functions:
// Encode* builds a request stub, Decode* reads a reply stub. A decoder returns
// NERR_Success when the stub was well formed (the server's own status is then
// in the reply) and RPC_S_PROTOCOL_ERROR when it was not; it never reads past
// the input, whatever the input holds.
#include <cstdint>
#include <span>
#include <vector>

#include "netenum/Provider.h"

namespace smb::srvsvc {

using netapi::DWORD;
using netapi::NET_API_STATUS;
using netapi::OptString;
using Stub = std::vector<std::uint8_t>;
using Bytes = std::span<const std::uint8_t>;

using netapi::RPC_S_PROTOCOL_ERROR;

constexpr std::uint16_t kOpConnectionEnum = 8;
constexpr std::uint16_t kOpFileEnum = 9;
constexpr std::uint16_t kOpFileGetInfo = 10;
constexpr std::uint16_t kOpFileClose = 11;
constexpr std::uint16_t kOpSessionEnum = 12;
constexpr std::uint16_t kOpSessionDel = 13;
constexpr std::uint16_t kOpShareEnumAll = 15;
constexpr std::uint16_t kOpServerGetInfo = 21;
constexpr std::uint16_t kOpServerSetInfo = 22;
constexpr std::uint16_t kOpRemoteTOD = 28;

// One part of a list: the server's status (0, ERROR_MORE_DATA, a failure),
// the records of this part, the server's total and the handle to go on with.
template <typename Record>
struct EnumReply {
    NET_API_STATUS status = netapi::NERR_Success;
    std::vector<Record> records;
    DWORD total = 0;
    DWORD resume = 0;
};

Stub EncodeFileEnum(const OptString& server, const OptString& basepath, const OptString& user,
                    DWORD prefmaxlen, DWORD resume);
NET_API_STATUS DecodeFileEnum(Bytes stub, EnumReply<netapi::FileInfo3>& out);

// Levels 1, 10 and 502 decode into the 502 record; fields a level lacks stay
// empty (null) or zero.
Stub EncodeSessionEnum(const OptString& server, const OptString& client, const OptString& user,
                       DWORD level, DWORD prefmaxlen, DWORD resume);
NET_API_STATUS DecodeSessionEnum(Bytes stub, DWORD level, EnumReply<netapi::SessionInfo502>& out);

// Levels 2 and 1 decode into the level-2 record; level 1 leaves uses,
// permissions and path empty (null) or zero.
Stub EncodeShareEnumAll(const OptString& server, DWORD level, DWORD prefmaxlen, DWORD resume);
NET_API_STATUS DecodeShareEnumAll(Bytes stub, DWORD level, EnumReply<netapi::ShareInfo2>& out);

Stub EncodeConnectionEnum(const OptString& server, const OptString& qualifier, DWORD prefmaxlen,
                          DWORD resume);
NET_API_STATUS DecodeConnectionEnum(Bytes stub, EnumReply<netapi::ConnectionInfo1>& out);

// NetrFileGetInfo at level 3: one open file by its id.
Stub EncodeFileGetInfo3(const OptString& server, DWORD fileid);
NET_API_STATUS DecodeFileGetInfo3(Bytes stub, netapi::FileInfo3& out, NET_API_STATUS& status);

Stub EncodeFileClose(const OptString& server, DWORD fileid);
Stub EncodeSessionDel(const OptString& server, const OptString& client, const OptString& user);
// Replies that carry nothing but the server's status (NetrFileClose, NetrSessionDel).
NET_API_STATUS DecodeStatusOnly(Bytes stub, NET_API_STATUS& status);

Stub EncodeServerGetInfo101(const OptString& server);
NET_API_STATUS DecodeServerGetInfo101(Bytes stub, netapi::ServerInfo101& out,
                                      NET_API_STATUS& status);

Stub EncodeServerSetInfo1005(const OptString& server, const OptString& comment);
NET_API_STATUS DecodeServerSetInfo(Bytes stub, NET_API_STATUS& status);

Stub EncodeRemoteTOD(const OptString& server);
NET_API_STATUS DecodeRemoteTOD(Bytes stub, netapi::TimeOfDay& out, NET_API_STATUS& status);

}  // namespace smb::srvsvc
