#include "colShareEnum.h"

#include "MessageTarget.h"
#include "NetBuffer.h"
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
    NetBuffer buffer;
    netapi::DWORD entriesRead = 0;
    netapi::DWORD totalEntries = 0;
    netapi::DWORD resumeHandle = 0;
    const auto status = netapi::NetShareEnum(mServerName.c_str(), 2, buffer.Out(),
                                             netapi::MAX_PREFERRED_LENGTH, &entriesRead,
                                             &totalEntries, &resumeHandle);
    // A partial list (234) is a failure here: none of its records are used.
    if (status != netapi::NERR_Success) {
        buffer.Reset();
        AppendToCurrentForm(FailureLineWithAdvice(u"NetShareEnum", status, kAdviceOperator));
        return;
    }
    if (!buffer) return;
    const auto* records = buffer.As<netapi::SHARE_INFO_2>();
    mItems.reserve(entriesRead);
    for (netapi::DWORD i = 0; i < entriesRead; ++i) {
        const auto& r = records[i];
        AddItem(PointerToString(&r.shi2_netname), PointerToString(&r.shi2_remark),
                PointerToString(&r.shi2_path), static_cast<std::int32_t>(r.shi2_max_uses),
                static_cast<std::int32_t>(r.shi2_current_uses),
                static_cast<std::int32_t>(r.shi2_type),
                static_cast<std::int32_t>(r.shi2_permissions));
    }
}

void colShareEnum::AddItem(std::u16string shareName, std::u16string remarks, std::u16string path,
                           std::int32_t maxUses, std::int32_t currentUses, std::int32_t type,
                           std::int32_t permissions) {
    clsShareEnum& item = mItems.emplace_back();
    item.SetProperties(std::move(shareName), std::move(remarks), std::move(path), maxUses,
                       currentUses, type, permissions);
}

}  // namespace netenum
