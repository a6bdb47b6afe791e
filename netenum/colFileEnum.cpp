#include "colFileEnum.h"

#include "MessageTarget.h"
#include "NetBuffer.h"
#include "Text.h"
#include "modAPI_Error.h"
#include "netapi.h"

namespace netenum {

void clsFileEnum::SetProperties(std::int32_t id, std::int32_t permissions,
                                std::int32_t numberLocks, std::u16string pathName,
                                std::u16string userName) {
    mID = id;
    mPermissions = permissions;
    mNumberLocks = numberLocks;
    mPathName = std::move(pathName);
    mUserName = std::move(userName);
}

void colFileEnum::Init(const std::u16string& ServerName) {
    mServerName = ServerName;
    EnumFiles();
}

void colFileEnum::EnumFiles() {
    // Empty strings, not null pointers: no path or user filter applies.
    const std::u16string basePath;
    const std::u16string userName;
    NetBuffer buffer;
    netapi::DWORD entriesRead = 0;
    netapi::DWORD totalEntries = 0;
    netapi::DWORD resumeHandle = 0;
    const auto status = netapi::NetFileEnum(mServerName.c_str(), basePath.c_str(),
                                            userName.c_str(), 3, buffer.Out(),
                                            netapi::MAX_PREFERRED_LENGTH, &entriesRead,
                                            &totalEntries, &resumeHandle);
    if (status != netapi::NERR_Success && status != netapi::ERROR_MORE_DATA) {
        buffer.Reset();
        AppendToCurrentForm(FailureLineWithAdvice(u"NetFileEnum", status, kAdviceOperator));
        return;
    }
    if (status == netapi::ERROR_MORE_DATA) SetIncomplete(totalEntries);
    if (!buffer) return;
    const auto* records = buffer.As<netapi::FILE_INFO_3>();
    mItems.reserve(entriesRead);
    for (netapi::DWORD i = 0; i < entriesRead; ++i) {
        const auto& r = records[i];
        AddItem(static_cast<std::int32_t>(r.fi3_id), static_cast<std::int32_t>(r.fi3_permissions),
                static_cast<std::int32_t>(r.fi3_num_locks), PointerToString(&r.fi3_pathname),
                PointerToString(&r.fi3_username));
    }
}

void colFileEnum::AddItem(std::int32_t id, std::int32_t permissions, std::int32_t numberLocks,
                          std::u16string pathName, std::u16string userName) {
    clsFileEnum& item = mItems.emplace_back();
    item.SetProperties(id, permissions, numberLocks, std::move(pathName), std::move(userName));
}

void colFileEnum::CloseFile(std::int32_t FilePtr, const std::u16string& CloseOnServer,
                            const std::u16string& CloseFileName) const {
    const std::u16string server = text::TrimSpaces(CloseOnServer);
    const auto status = netapi::NetFileClose(server.c_str(), static_cast<netapi::DWORD>(FilePtr));
    if (status != netapi::NERR_Success) {
        std::u16string line = u"Error closing file ";
        line += text::EscapeControls(CloseFileName);  // a path cannot add a line
        line += u" : ";
        line += GetErrorText(status);
        line += kCrLf;
        AppendToCurrentForm(line);
    }
}

}  // namespace netenum
