#include "SamrClient.h"

#include <ctime>

#include "StatusMap.h"
#include "text/Text.h"

namespace smb {

using netapi::NERR_Success;
using netapi::NET_API_STATUS;

// The server, domain and user handles of one operation, closed on every path.
class SamrClient::OpenHandles final {
public:
    explicit OpenHandles(SamrClient& owner) : mOwner(owner) {}
    ~OpenHandles() {
        for (int i = mCount - 1; i >= 0; --i) mOwner.Close(mHandles[i]);
    }
    OpenHandles(const OpenHandles&) = delete;
    OpenHandles& operator=(const OpenHandles&) = delete;

    samr::Handle& Next() { return mHandles[mCount]; }
    void Keep() { ++mCount; }
    const samr::Handle& Last() const { return mHandles[mCount - 1]; }

private:
    SamrClient& mOwner;
    samr::Handle mHandles[3]{};
    int mCount = 0;
};

SamrClient::SamrClient(RpcBinding& binding, std::u16string serverArg)
    : mBinding(binding), mServerArg(std::move(serverArg)) {}

NET_API_STATUS SamrClient::Close(samr::Handle& handle) {
    std::vector<std::uint8_t> reply;
    NET_API_STATUS status = mBinding.Call(samr::kOpClose, samr::EncodeClose(handle), reply);
    if (status != NERR_Success) return status;
    std::uint32_t nt = 0;
    return samr::DecodeHandle(reply, handle, nt) != NERR_Success ? samr::RPC_S_PROTOCOL_ERROR
                                                                : NtStatusToStatus(nt);
}

NET_API_STATUS SamrClient::CallForHandle(std::uint16_t opnum, const samr::Stub& stub,
                                         samr::Handle& handle) {
    std::vector<std::uint8_t> reply;
    NET_API_STATUS status = mBinding.Call(opnum, stub, reply);
    if (status != NERR_Success) return status;
    std::uint32_t nt = 0;
    if (samr::DecodeHandle(reply, handle, nt) != NERR_Success) return samr::RPC_S_PROTOCOL_ERROR;
    return NtStatusToStatus(nt);
}

NET_API_STATUS SamrClient::Connect(samr::Handle& handle) {
    if (!mConnect2Only) {
        std::vector<std::uint8_t> reply;
        NET_API_STATUS status = mBinding.Call(
            samr::kOpConnect5, samr::EncodeConnect5(mServerArg, samr::kMaximumAllowed), reply);
        if (status == NERR_Success) {
            std::uint32_t nt = 0;
            if (samr::DecodeConnect5(reply, handle, nt) != NERR_Success)
                return samr::RPC_S_PROTOCOL_ERROR;
            return NtStatusToStatus(nt);
        }
        // Servers older than SamrConnect5 do not know the operation; anything
        // else (access denied, a dead server) Connect2 would meet as well.
        if (status != netapi::RPC_S_PROCNUM_OUT_OF_RANGE && status != netapi::RPC_X_BAD_STUB_DATA &&
            status != netapi::ERROR_NOT_SUPPORTED)
            return status;
        mConnect2Only = true;
    }
    return CallForHandle(samr::kOpConnect2, samr::EncodeConnect2(mServerArg, samr::kMaximumAllowed),
                         handle);
}

NET_API_STATUS SamrClient::OpenUser(const std::u16string& user, OpenHandles& handles) {
    NET_API_STATUS status = Connect(handles.Next());
    if (status != NERR_Success) return status;
    handles.Keep();
    const samr::Handle server = handles.Last();

    // The accounts live in the one domain that is not "Builtin".
    std::vector<std::uint8_t> reply;
    status = mBinding.Call(samr::kOpEnumDomains, samr::EncodeEnumDomains(server, 0), reply);
    if (status != NERR_Success) return status;
    std::vector<std::u16string> domains;
    std::uint32_t resume = 0, nt = 0;
    if (samr::DecodeEnumDomains(reply, domains, resume, nt) != NERR_Success)
        return samr::RPC_S_PROTOCOL_ERROR;
    if (nt != samr::STATUS_SUCCESS && nt != samr::STATUS_MORE_ENTRIES) return NtStatusToStatus(nt);
    const std::u16string* accountDomain = nullptr;
    for (const auto& d : domains)
        if (!text::EqualsIgnoreCase(d, u"Builtin")) {
            accountDomain = &d;
            break;
        }
    if (accountDomain == nullptr) return 1355;  // ERROR_NO_SUCH_DOMAIN

    status = mBinding.Call(samr::kOpLookupDomain, samr::EncodeLookupDomain(server, *accountDomain),
                           reply);
    if (status != NERR_Success) return status;
    samr::Sid sid;
    if (samr::DecodeLookupDomain(reply, sid, nt) != NERR_Success) return samr::RPC_S_PROTOCOL_ERROR;
    if (nt != samr::STATUS_SUCCESS) return NtStatusToStatus(nt);

    status = CallForHandle(samr::kOpOpenDomain,
                           samr::EncodeOpenDomain(server, samr::kMaximumAllowed, sid),
                           handles.Next());
    if (status != NERR_Success) return status;
    handles.Keep();
    const samr::Handle domain = handles.Last();

    status = mBinding.Call(samr::kOpLookupNames, samr::EncodeLookupName(domain, user), reply);
    if (status != NERR_Success) return status;
    std::uint32_t rid = 0, type = 0;
    if (samr::DecodeLookupName(reply, rid, type, nt) != NERR_Success)
        return samr::RPC_S_PROTOCOL_ERROR;
    if (nt != samr::STATUS_SUCCESS) return NtStatusToStatus(nt);
    constexpr std::uint32_t kSidTypeUser = 1;
    if (type != kSidTypeUser) return netapi::NERR_UserNotFound;

    status = CallForHandle(samr::kOpOpenUser,
                           samr::EncodeOpenUser(domain, samr::kMaximumAllowed, rid),
                           handles.Next());
    if (status != NERR_Success) return status;
    handles.Keep();
    return NERR_Success;
}

NET_API_STATUS SamrClient::UserGetInfo(const std::u16string& user, netapi::UserInfo3& out) {
    OpenHandles handles(*this);
    NET_API_STATUS status = OpenUser(user, handles);
    if (status != NERR_Success) return status;
    std::vector<std::uint8_t> reply;
    status = mBinding.Call(samr::kOpQueryUserInfo,
                           samr::EncodeQueryUserInfo(handles.Last(), samr::kUserAllInformation),
                           reply);
    if (status != NERR_Success) return status;
    samr::UserAll all;
    std::uint32_t nt = 0;
    if (samr::DecodeQueryUserAll(reply, all, nt) != NERR_Success) return samr::RPC_S_PROTOCOL_ERROR;
    if (nt != samr::STATUS_SUCCESS) return NtStatusToStatus(nt);
    out = samr::ToUserInfo3(all, static_cast<std::int64_t>(std::time(nullptr)));
    return NERR_Success;
}

NET_API_STATUS SamrClient::SetAccountDisabled(const std::u16string& user, bool disabled) {
    OpenHandles handles(*this);
    NET_API_STATUS status = OpenUser(user, handles);
    if (status != NERR_Success) return status;
    std::vector<std::uint8_t> reply;
    status = mBinding.Call(
        samr::kOpQueryUserInfo,
        samr::EncodeQueryUserInfo(handles.Last(), samr::kUserControlInformation), reply);
    if (status != NERR_Success) return status;
    std::uint32_t acb = 0, nt = 0;
    if (samr::DecodeQueryUserControl(reply, acb, nt) != NERR_Success)
        return samr::RPC_S_PROTOCOL_ERROR;
    if (nt != samr::STATUS_SUCCESS) return NtStatusToStatus(nt);
    if (((acb & samr::ACB_DISABLED) != 0) == disabled) return NERR_Success;
    status = mBinding.Call(samr::kOpSetUserInfo,
                           samr::EncodeSetUserControl(handles.Last(),
                                                      samr::ControlToWrite(acb, disabled)),
                           reply);
    if (status != NERR_Success) return status;
    if (samr::DecodeStatus(reply, nt) != NERR_Success) return samr::RPC_S_PROTOCOL_ERROR;
    return NtStatusToStatus(nt);
}

}  // namespace smb
