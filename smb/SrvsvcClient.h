#pragma once
// The server service of one server, call by call, in the provider's plain
// values: lists come whole (parts sent under a resume handle are fetched and
// joined), sessions fall back from level 502 to level 1 where 502 is unknown.
#include <cstddef>
#include <string>

#include "RpcBinding.h"
#include "netenum/Provider.h"

namespace smb {

class SrvsvcClient final {
public:
    // `serverArg` is the server argument put into each request ("\\host").
    SrvsvcClient(RpcBinding& binding, std::u16string serverArg);

    netapi::EnumResult<netapi::FileInfo3> FileEnum(const netapi::OptString& basepath,
                                                   const netapi::OptString& user);
    netapi::NET_API_STATUS FileClose(netapi::DWORD fileid);
    // Level 3; where the server has no such call (Samba), the id is looked
    // up in a fresh list of its open files.
    netapi::NET_API_STATUS FileGetInfo(netapi::DWORD fileid, netapi::FileInfo3& out);
    // Level 502, or 1 where the server has no 502 (Samba), which fills all
    // but the client type and transport; level 10 when asked for.
    netapi::EnumResult<netapi::SessionInfo502> SessionEnum(const netapi::OptString& client,
                                                           const netapi::OptString& user,
                                                           netapi::DWORD level);
    netapi::NET_API_STATUS SessionDel(const netapi::OptString& client,
                                      const netapi::OptString& user);
    netapi::EnumResult<netapi::ShareInfo2> ShareEnum(netapi::DWORD level);
    netapi::EnumResult<netapi::ConnectionInfo1> ConnectionEnum(const netapi::OptString& qualifier);
    netapi::NET_API_STATUS ServerGetInfo(netapi::ServerInfo101& out);
    netapi::NET_API_STATUS ServerSetComment(const netapi::OptString& comment);
    netapi::NET_API_STATUS RemoteTOD(netapi::TimeOfDay& out);
    netapi::NET_API_STATUS ShareAdd(netapi::DWORD level, const netapi::ShareDetails& share,
                                    netapi::DWORD& parm_err);
    netapi::NET_API_STATUS ShareDel(const std::u16string& netname);
    netapi::NET_API_STATUS ShareGetInfo(const std::u16string& netname, netapi::DWORD level,
                                        netapi::ShareDetails& out);
    netapi::NET_API_STATUS ShareSetInfo(const std::u16string& netname, netapi::DWORD level,
                                        const netapi::ShareDetails& share, netapi::DWORD& parm_err);

    // What one list may cost, whatever the server says: a runaway server can
    // neither keep us paging for ever nor fill memory. (Each reply is bounded
    // on its own by the RPC client.)
    static constexpr int kMaxParts = 1000;
    static constexpr std::size_t kMaxRecords = 2'000'000;
    static constexpr std::size_t kMaxListBytes = 256u * 1024 * 1024;

private:
    netapi::OptString Server() const { return mServerArg; }

    RpcBinding& mBinding;
    std::u16string mServerArg;
    // Learned once per server: level 502 was refused, ask level 1 straight away.
    bool mSessionLevel1 = false;
    // Learned once per server: NetrFileGetInfo is not implemented.
    bool mNoFileGetInfo = false;
};

}  // namespace smb
