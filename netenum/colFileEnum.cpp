#include "colFileEnum.h"

#include "MessageTarget.h"
#include "ReadRecords.h"
#include "modAPI_Error.h"
#include "netapi.h"
#include "text/Text.h"

namespace netenum {

void colFileEnum::Init(const std::u16string& ServerName) {
    mServerName = ServerName;
    // Empty strings, not null pointers: no path or user filter applies.
    Took(ReadRecords<netapi::FILE_INFO_3>(
        u"NetFileEnum", mServerName, kAdviceOperator, PartialList::Read, mItems,
        [&](auto... rest) { return netapi::NetFileEnum(mServerName.c_str(), u"", u"", 3, rest...); },
        [](const netapi::FILE_INFO_3& r, clsFileEnum& item) {
            item.mID = static_cast<std::int32_t>(r.fi3_id);
            item.mPermissions = static_cast<std::int32_t>(r.fi3_permissions);
            item.mNumberLocks = static_cast<std::int32_t>(r.fi3_num_locks);
            item.mPathName = PointerToString(&r.fi3_pathname);
            item.mUserName = PointerToString(&r.fi3_username);
        }));
}

namespace {

void ReportCloseFailure(const std::u16string& server, const std::u16string& CloseFileName,
                        netapi::NET_API_STATUS status) {
    // A file closed meanwhile: Windows says 2314, Samba 2; both mean the same.
    if (netapi::IsNoLongerOpen(status)) status = netapi::NERR_FileIdNotFound;
    if (status != netapi::NERR_Success) {
        std::u16string line = u"Error closing file ";
        line += text::EscapeControls(CloseFileName);  // a path cannot add a line
        line += u" : ";
        line += GetErrorText(status);
        line += kCrLf;
        line += TimeoutWords(server, status);
        AppendToCurrentForm(line);
    }
}

}  // namespace

void colFileEnum::CloseFile(std::int32_t FilePtr, const std::u16string& CloseOnServer,
                            const std::u16string& CloseFileName) const {
    const std::u16string server = text::TrimSpaces(CloseOnServer);
    ReportCloseFailure(server, CloseFileName,
                       netapi::NetFileClose(server.c_str(), static_cast<netapi::DWORD>(FilePtr)));
}

netapi::CheckedClose colFileEnum::CloseListedFile(const clsFileEnum& file,
                                                  const std::u16string& CloseOnServer) const {
    const std::u16string server = text::TrimSpaces(CloseOnServer);
    const auto result = netapi::CloseFileIfStillSame(
        server.c_str(), static_cast<netapi::DWORD>(file.ID()), file.PathName(), file.UserName());
    if (result.outcome != netapi::CheckedClose::Closed)
        ReportCloseFailure(server, file.PathName(), result.status);
    return result.outcome;
}

}  // namespace netenum
