#pragma once
// Closing an open file listed earlier without closing a different one: an id
// is only valid while the file stays open, and servers hand the same number
// to the next file opened (Samba's ids embed a process id, which is reused).
// So the server is asked for the id again first, and the file is closed only
// while the id still names what was listed.
#include <string_view>

#include "netapi.h"

namespace netapi {

enum class CheckedClose { Closed, NoLongerOpen, Failed };

struct CheckedCloseResult {
    CheckedClose outcome = CheckedClose::Failed;
    NET_API_STATUS status = NERR_Success;
};

// Asks the server for the id again and closes it only if it still names `path`
// opened by `user` (exact text as listed). A server that will not answer for
// the id (access denied, not supported) gives Failed with its status: the file
// is never closed unchecked.
CheckedCloseResult CloseFileIfStillSame(LPCWSTR server, DWORD fileId, std::u16string_view path,
                                        std::u16string_view user);

// Whether a status from NetFileGetInfo or NetFileClose says the id names no
// open file (any more).
bool IsNoLongerOpen(NET_API_STATUS status);

}  // namespace netapi
