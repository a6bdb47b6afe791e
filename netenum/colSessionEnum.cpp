#include "colSessionEnum.h"

#include "FormatSeconds.h"
#include "MessageTarget.h"
#include "ReadRecords.h"
#include "modAPI_Error.h"
#include "netapi.h"
#include "text/Text.h"

namespace netenum {

void colSessionEnum::Init(const std::u16string& ServerName) {
    mServerName = ServerName;
    // Empty strings, not null pointers: every client and user.
    Took(ReadRecordsFallingBack<netapi::SESSION_INFO_502, netapi::SESSION_INFO_10>(
        u"NetSessionEnum", mServerName, kAdviceAccount, PartialList::Read, mItems,
        [&](auto... rest) {
            return netapi::NetSessionEnum(mServerName.c_str(), u"", u"", 502, rest...);
        },
        [](const netapi::SESSION_INFO_502& r, clsSessionEnum& item) {
            item.mComputerName = PointerToString(&r.sesi502_cname);
            item.mUserName = PointerToString(&r.sesi502_username);
            item.mTransport = PointerToString(&r.sesi502_transport);
            item.mNumOpens = static_cast<std::int32_t>(r.sesi502_num_opens);
            item.mActiveTime = static_cast<std::int32_t>(r.sesi502_time);
            item.mActiveTimeFormatted = FormatSeconds(r.sesi502_time);
            item.mIdleTime = static_cast<std::int32_t>(r.sesi502_idle_time);
            item.mIdleTimeFormatted = FormatSeconds(r.sesi502_idle_time);
            item.mUserFlags = static_cast<std::int32_t>(r.sesi502_user_flags);
        },
        [&](auto... rest) {
            return netapi::NetSessionEnum(mServerName.c_str(), u"", u"", 10, rest...);
        },
        [](const netapi::SESSION_INFO_10& r, clsSessionEnum& item) {
            item.mComputerName = PointerToString(&r.sesi10_cname);
            item.mUserName = PointerToString(&r.sesi10_username);
            item.mActiveTime = static_cast<std::int32_t>(r.sesi10_time);
            item.mActiveTimeFormatted = FormatSeconds(r.sesi10_time);
            item.mIdleTime = static_cast<std::int32_t>(r.sesi10_idle_time);
            item.mIdleTimeFormatted = FormatSeconds(r.sesi10_idle_time);
        }));
}

void colSessionEnum::DeleteItem(const std::u16string& UncClientName,
                                const std::u16string& UserName) const {
    const std::u16string client = text::UncName(UncClientName);
    const auto status = netapi::NetSessionDel(mServerName.c_str(), client.c_str(), UserName.c_str());
    if (status != netapi::NERR_Success)
        AppendToCurrentForm(FailureLine(u"NetSessionDel", status) + TimeoutWords(mServerName, status));
}

}  // namespace netenum
