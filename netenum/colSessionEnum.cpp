#include "colSessionEnum.h"

#include "FormatSeconds.h"
#include "MessageTarget.h"
#include "ReadRecords.h"
#include "modAPI_Error.h"
#include "netapi.h"

namespace netenum {

void clsSessionEnum::SetProperties(std::u16string computerName, std::u16string userName,
                                   std::u16string transport, std::int32_t numOpens,
                                   std::int32_t activeTime, std::u16string activeTimeFormatted,
                                   std::int32_t idleTime, std::u16string idleTimeFormatted,
                                   std::int32_t userFlags) {
    mComputerName = std::move(computerName);
    mUserName = std::move(userName);
    mTransport = std::move(transport);
    mNumOpens = numOpens;
    mActiveTime = activeTime;
    mActiveTimeFormatted = std::move(activeTimeFormatted);
    mIdleTime = idleTime;
    mIdleTimeFormatted = std::move(idleTimeFormatted);
    mUserFlags = userFlags;
}

void colSessionEnum::Init(const std::u16string& ServerName) {
    mServerName = ServerName;
    EnumSessions();
}

void colSessionEnum::EnumSessions() {
    const std::u16string clientName;
    const std::u16string userName;
    netapi::DWORD resumeHandle = 0;
    ReadRecords<netapi::SESSION_INFO_502>(
        u"NetSessionEnum", kAdviceAccount, PartialList::Read, mItems,
        [&](netapi::LPBYTE* out, netapi::DWORD* read, netapi::DWORD* total) {
            return netapi::NetSessionEnum(mServerName.c_str(), clientName.c_str(),
                                          userName.c_str(), 502, out, netapi::MAX_PREFERRED_LENGTH,
                                          read, total, &resumeHandle);
        },
        [&](const netapi::SESSION_INFO_502& r) {
            AddItem(PointerToString(&r.sesi502_cname), PointerToString(&r.sesi502_username),
                    PointerToString(&r.sesi502_transport), r.sesi502_num_opens, r.sesi502_time,
                    r.sesi502_idle_time, r.sesi502_user_flags);
        },
        [&](netapi::DWORD total) { SetIncomplete(total); });
}

void colSessionEnum::AddItem(std::u16string computerName, std::u16string userName,
                             std::u16string transport, std::uint32_t numOpens,
                             std::uint32_t activeTime, std::uint32_t idleTime,
                             std::uint32_t userFlags) {
    clsSessionEnum& item = mItems.emplace_back();
    item.SetProperties(std::move(computerName), std::move(userName), std::move(transport),
                       static_cast<std::int32_t>(numOpens), static_cast<std::int32_t>(activeTime),
                       FormatSeconds(activeTime), static_cast<std::int32_t>(idleTime),
                       FormatSeconds(idleTime), static_cast<std::int32_t>(userFlags));
}

void colSessionEnum::DeleteItem(const std::u16string& UncClientName,
                                const std::u16string& UserName) const {
    const std::u16string client = u"\\\\" + UncClientName;
    const auto status = netapi::NetSessionDel(mServerName.c_str(), client.c_str(), UserName.c_str());
    if (status != netapi::NERR_Success) AppendToCurrentForm(FailureLine(u"NetSessionDel", status));
}

}  // namespace netenum
