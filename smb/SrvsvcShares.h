#pragma once
// The server service's share management (NetrShareAdd, NetrShareDel,
// NetrShareGetInfo, NetrShareSetInfo) as pure functions over stubs, with the
// same rules as the other srvsvc operations: a decoder never reads past its
// input and answers RPC_S_PROTOCOL_ERROR for a malformed reply.
#include "Srvsvc.h"

namespace smb::srvsvc {

constexpr std::uint16_t kOpShareAdd = 14;
constexpr std::uint16_t kOpShareGetInfo = 16;
constexpr std::uint16_t kOpShareSetInfo = 17;
constexpr std::uint16_t kOpShareDel = 18;

// Level 2, or 502 with the descriptor (when the share carries one).
Stub EncodeShareAdd(const OptString& server, DWORD level, const netapi::ShareDetails& share);
Stub EncodeShareDel(const OptString& server, const std::u16string& netname);
// Levels 2, 502 and 1005.
Stub EncodeShareGetInfo(const OptString& server, const std::u16string& netname, DWORD level);
NET_API_STATUS DecodeShareGetInfo(Bytes stub, DWORD level, netapi::ShareDetails& out,
                                  NET_API_STATUS& status);
// Levels 1004, 1005, 1006 and 1501.
Stub EncodeShareSetInfo(const OptString& server, const std::u16string& netname, DWORD level,
                        const netapi::ShareDetails& share);
// The replies of NetrShareAdd and NetrShareSetInfo: the parameter in error
// and the status.
NET_API_STATUS DecodeShareParmErr(Bytes stub, DWORD& parm_err, NET_API_STATUS& status);

}  // namespace smb::srvsvc
