#include "colConnectionEnum.h"

#include "FormatSeconds.h"
#include "MessageTarget.h"
#include "ReadRecords.h"
#include "modAPI_Error.h"
#include "netapi.h"

namespace netenum {

void colConnectionEnum::Init(const std::u16string& Qualifier, const std::u16string& ServerName) {
    mQualifier = Qualifier;
    mServerName = ServerName;
    Took(ReadRecords<netapi::CONNECTION_INFO_1>(
        u"NetConnectionEnum", mServerName, kAdviceOperator, PartialList::Fails, mItems, [&](auto... rest) {
            return netapi::NetConnectionEnum(mServerName.c_str(), mQualifier.c_str(), 1, rest...);
        },
        [](const netapi::CONNECTION_INFO_1& r, clsConnectionEnum& item) {
            item.mConnectionType = static_cast<std::int32_t>(r.coni1_type);
            item.mConnectionID = static_cast<std::int32_t>(r.coni1_id);
            item.mNumOpens = static_cast<std::int32_t>(r.coni1_num_opens);
            item.mNumUsers = static_cast<std::int32_t>(r.coni1_num_users);
            item.mConnectionTime = static_cast<std::int32_t>(r.coni1_time);
            item.mConnectTimeFormatted = FormatSeconds(r.coni1_time);
            item.mNetName = PointerToString(&r.coni1_netname);
            item.mUserName = PointerToString(&r.coni1_username);
            if (item.mUserName.empty()) item.mUserName = item.mNetName;
        }));
}

}  // namespace netenum
