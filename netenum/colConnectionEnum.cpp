#include "colConnectionEnum.h"

#include "FormatSeconds.h"
#include "MessageTarget.h"
#include "ReadRecords.h"
#include "modAPI_Error.h"
#include "netapi.h"

namespace netenum {

void clsConnectionEnum::SetProperties(std::int32_t type, std::int32_t id, std::int32_t numOpens,
                                      std::int32_t numUsers, std::int32_t seconds,
                                      std::u16string timeText, std::u16string userName,
                                      std::u16string netName) {
    mConnectionType = type;
    mConnectionID = id;
    mNumOpens = numOpens;
    mNumUsers = numUsers;
    mConnectionTime = seconds;
    mConnectTimeFormatted = std::move(timeText);
    mUserName = std::move(userName);
    mNetName = std::move(netName);
}

void colConnectionEnum::Init(const std::u16string& Qualifier, const std::u16string& ServerName) {
    mQualifier = Qualifier;
    mServerName = ServerName;
    EnumConnections();
}

void colConnectionEnum::EnumConnections() {
    netapi::DWORD resumeHandle = 0;
    ReadRecords<netapi::CONNECTION_INFO_1>(
        u"NetConnectionEnum", kAdviceOperator, PartialList::Fails, mItems,
        [&](netapi::LPBYTE* out, netapi::DWORD* read, netapi::DWORD* total) {
            return netapi::NetConnectionEnum(mServerName.c_str(), mQualifier.c_str(), 1, out,
                                             netapi::MAX_PREFERRED_LENGTH, read, total,
                                             &resumeHandle);
        },
        [&](const netapi::CONNECTION_INFO_1& r) {
            std::u16string netName = PointerToString(&r.coni1_netname);
            std::u16string userName = PointerToString(&r.coni1_username);
            if (userName.empty()) userName = netName;
            AddItem(r.coni1_type, r.coni1_id, r.coni1_num_opens, r.coni1_num_users, r.coni1_time,
                    std::move(userName), std::move(netName));
        },
        [](netapi::DWORD) {});
}

void colConnectionEnum::AddItem(std::uint32_t type, std::uint32_t id, std::uint32_t numOpens,
                                std::uint32_t numUsers, std::uint32_t seconds,
                                std::u16string userName, std::u16string netName) {
    clsConnectionEnum& item = mItems.emplace_back();
    item.SetProperties(static_cast<std::int32_t>(type), static_cast<std::int32_t>(id),
                       static_cast<std::int32_t>(numOpens), static_cast<std::int32_t>(numUsers),
                       static_cast<std::int32_t>(seconds), FormatSeconds(seconds),
                       std::move(userName), std::move(netName));
}

}  // namespace netenum
