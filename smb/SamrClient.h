#pragma once
// User accounts of one server through its account database (samr): the
// level-3 record for NetUserGetInfo, and the one change the program makes,
// the account-disabled bit. Every other account flag is written back exactly
// as the server holds it.
#include <cstdint>
#include <string>

#include "RpcBinding.h"
#include "Samr.h"
#include "netenum/Provider.h"

namespace smb {

class SamrClient final {
public:
    SamrClient(RpcBinding& binding, std::u16string serverArg);

    netapi::NET_API_STATUS UserGetInfo(const std::u16string& user, netapi::UserInfo3& out);
    // Sets or clears the disabled bit as `disabled` asks; writes nothing when
    // the account already is that way.
    netapi::NET_API_STATUS SetAccountDisabled(const std::u16string& user, bool disabled);

private:
    class OpenHandles;
    // The server handle: SamrConnect5, or SamrConnect2 on servers without it.
    netapi::NET_API_STATUS Connect(samr::Handle& handle);
    netapi::NET_API_STATUS OpenUser(const std::u16string& user, OpenHandles& handles);
    netapi::NET_API_STATUS Close(samr::Handle& handle);
    netapi::NET_API_STATUS CallForHandle(std::uint16_t opnum, const samr::Stub& stub,
                                         samr::Handle& handle);

    RpcBinding& mBinding;
    std::u16string mServerArg;
    bool mConnect2Only = false;  // learned once: the server has no SamrConnect5
};

}  // namespace smb
