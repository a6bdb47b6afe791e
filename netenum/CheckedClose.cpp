#include "CheckedClose.h"

#include "NetBuffer.h"
#include "modAPI_Error.h"

namespace netapi {

bool IsNoLongerOpen(NET_API_STATUS status) {
    // Windows says 2314; Samba says 2 for an id it does not know.
    return status == NERR_FileIdNotFound || status == ERROR_FILE_NOT_FOUND;
}

CheckedCloseResult CloseFileIfStillSame(LPCWSTR server, DWORD fileId, std::u16string_view path,
                                        std::u16string_view user) {
    netenum::NetBuffer buffer;
    const NET_API_STATUS asked = NetFileGetInfo(server, fileId, 3, buffer.Out());
    if (IsNoLongerOpen(asked)) return {CheckedClose::NoLongerOpen, asked};
    if (asked != NERR_Success) return {CheckedClose::Failed, asked};
    const auto* record = buffer.As<FILE_INFO_3>();
    if (record == nullptr) return {CheckedClose::Failed, RPC_S_PROTOCOL_ERROR};
    // The same conversion as the lists use, so that a null string compares
    // equal to the empty text it was listed as.
    const bool same = record->fi3_id == fileId &&
                      netenum::PointerToString(&record->fi3_pathname) == path &&
                      netenum::PointerToString(&record->fi3_username) == user;
    buffer.Reset();
    if (!same) return {CheckedClose::NoLongerOpen, NERR_FileIdNotFound};
    const NET_API_STATUS closed = NetFileClose(server, fileId);
    if (closed == NERR_Success) return {CheckedClose::Closed, closed};
    if (IsNoLongerOpen(closed)) return {CheckedClose::NoLongerOpen, closed};
    return {CheckedClose::Failed, closed};
}

}  // namespace netapi
