#include "colShareEnum.h"

#include "MessageTarget.h"
#include "ReadRecords.h"
#include "modAPI_Error.h"
#include "netapi.h"

namespace netenum {

void colShareEnum::Init(const std::u16string& ServerName) {
    mServerName = ServerName;
    // A partial list (234) is a failure here: none of its records are used.
    Took(ReadRecordsFallingBack<netapi::SHARE_INFO_2, netapi::SHARE_INFO_1>(
        u"NetShareEnum", mServerName, kAdviceOperator, PartialList::Fails, mItems,
        [&](auto... rest) { return netapi::NetShareEnum(mServerName.c_str(), 2, rest...); },
        [](const netapi::SHARE_INFO_2& r, clsShareEnum& item) {
            item.mShareName = PointerToString(&r.shi2_netname);
            item.mRemarks = PointerToString(&r.shi2_remark);
            item.mPath = PointerToString(&r.shi2_path);
            item.mNumMaxConnections = static_cast<std::int32_t>(r.shi2_max_uses);
            item.mNumCurrConnections = static_cast<std::int32_t>(r.shi2_current_uses);
            item.mShareType = static_cast<std::int32_t>(r.shi2_type);
            item.mPermissions = static_cast<std::int32_t>(r.shi2_permissions);
        },
        [&](auto... rest) { return netapi::NetShareEnum(mServerName.c_str(), 1, rest...); },
        [](const netapi::SHARE_INFO_1& r, clsShareEnum& item) {
            item.mShareName = PointerToString(&r.shi1_netname);
            item.mRemarks = PointerToString(&r.shi1_remark);
            item.mShareType = static_cast<std::int32_t>(r.shi1_type);
        }));
}

}  // namespace netenum
