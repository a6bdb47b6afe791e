#include "colShareEnum.h"

#include "MessageTarget.h"
#include "ReadRecords.h"
#include "modAPI_Error.h"
#include "netapi.h"

namespace netenum {

void clsShareEnum::SetProperties(std::u16string shareName, std::u16string remarks,
                                 std::u16string path, std::int32_t maxUses,
                                 std::int32_t currentUses, std::int32_t type,
                                 std::int32_t permissions) {
    mShareName = std::move(shareName);
    mRemarks = std::move(remarks);
    mPath = std::move(path);
    mNumMaxConnections = maxUses;
    mNumCurrConnections = currentUses;
    mShareType = type;
    mPermissions = permissions;
}

void colShareEnum::Init(const std::u16string& ServerName) {
    mServerName = ServerName;
    EnumShares();
}

void colShareEnum::EnumShares() {
    netapi::DWORD resumeHandle = 0;
    // A partial list (234) is a failure here: none of its records are used.
    ReadRecords<netapi::SHARE_INFO_2>(
        u"NetShareEnum", kAdviceOperator, PartialList::Fails, mItems,
        [&](netapi::LPBYTE* out, netapi::DWORD* read, netapi::DWORD* total) {
            return netapi::NetShareEnum(mServerName.c_str(), 2, out, netapi::MAX_PREFERRED_LENGTH,
                                        read, total, &resumeHandle);
        },
        [&](const netapi::SHARE_INFO_2& r) {
            AddItem(PointerToString(&r.shi2_netname), PointerToString(&r.shi2_remark),
                    PointerToString(&r.shi2_path), static_cast<std::int32_t>(r.shi2_max_uses),
                    static_cast<std::int32_t>(r.shi2_current_uses),
                    static_cast<std::int32_t>(r.shi2_type),
                    static_cast<std::int32_t>(r.shi2_permissions));
        },
        [](netapi::DWORD) {});
}

void colShareEnum::AddItem(std::u16string shareName, std::u16string remarks, std::u16string path,
                           std::int32_t maxUses, std::int32_t currentUses, std::int32_t type,
                           std::int32_t permissions) {
    clsShareEnum& item = mItems.emplace_back();
    item.SetProperties(std::move(shareName), std::move(remarks), std::move(path), maxUses,
                       currentUses, type, permissions);
}

}  // namespace netenum
