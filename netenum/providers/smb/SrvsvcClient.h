#pragma once
// The server service of one server, call by call, in the provider's plain
// values: lists come whole (parts sent under a resume handle are fetched and
// joined), sessions fall back from level 502 to level 1 where 502 is refused.
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
    netapi::EnumResult<netapi::SessionInfo502> SessionEnum(const netapi::OptString& client,
                                                           const netapi::OptString& user);
    netapi::NET_API_STATUS SessionDel(const netapi::OptString& client,
                                      const netapi::OptString& user);
    netapi::EnumResult<netapi::ShareInfo2> ShareEnum();
    netapi::EnumResult<netapi::ConnectionInfo1> ConnectionEnum(const netapi::OptString& qualifier);
    netapi::NET_API_STATUS ServerGetInfo(netapi::ServerInfo101& out);
    netapi::NET_API_STATUS ServerSetComment(const netapi::OptString& comment);
    netapi::NET_API_STATUS RemoteTOD(netapi::TimeOfDay& out);

    // A runaway server cannot keep us paging for ever.
    static constexpr int kMaxParts = 100000;

private:
    netapi::OptString Server() const { return mServerArg; }

    RpcBinding& mBinding;
    std::u16string mServerArg;
    // Learned once per server: level 502 was refused, ask level 1 straight away.
    bool mSessionLevel1 = false;
};

}  // namespace smb
