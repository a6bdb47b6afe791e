#include "colConnectionEnum.h"

#include "FormatSeconds.h"
#include "MessageTarget.h"
#include "NetBuffer.h"
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
    NetBuffer buffer;
    netapi::DWORD entriesRead = 0;
    netapi::DWORD totalEntries = 0;
    netapi::DWORD resumeHandle = 0;
    const auto status = netapi::NetConnectionEnum(mServerName.c_str(), mQualifier.c_str(), 1,
                                                  buffer.Out(), netapi::MAX_PREFERRED_LENGTH,
                                                  &entriesRead, &totalEntries, &resumeHandle);
    if (status != netapi::NERR_Success) {
        buffer.Reset();
        AppendToCurrentForm(FailureLineWithAdvice(u"NetConnectionEnum", status, kAdviceOperator));
        return;
    }
    if (!buffer) return;
    const auto* records = buffer.As<netapi::CONNECTION_INFO_1>();
    mItems.reserve(entriesRead);
    for (netapi::DWORD i = 0; i < entriesRead; ++i) {
        const auto& r = records[i];
        std::u16string netName = PointerToString(&r.coni1_netname);
        std::u16string userName = PointerToString(&r.coni1_username);
        if (userName.empty()) userName = netName;
        AddItem(r.coni1_type, r.coni1_id, r.coni1_num_opens, r.coni1_num_users, r.coni1_time,
                std::move(userName), std::move(netName));
    }
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
