#include "SmbPipe.h"

#include <libsmbclient.h>

#include <cerrno>

#include "SmbConnection.h"
#include "StatusMap.h"

namespace smb {

SmbPipe::SmbPipe(std::shared_ptr<SmbConnection> connection, SMBCFILE* file)
    : mConnection(std::move(connection)), mFile(file) {}

SmbPipe::~SmbPipe() {
    if (mFile != nullptr) smbc_getFunctionClose(mConnection->Context())(mConnection->Context(), mFile);
}

netapi::NET_API_STATUS SmbPipe::Write(std::span<const std::uint8_t> data) {
    SMBCCTX* context = mConnection->Context();
    std::size_t done = 0;
    while (done < data.size()) {
        errno = 0;
        const ssize_t n = smbc_getFunctionWrite(context)(context, mFile, data.data() + done,
                                                        data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return ErrnoToStatus(errno != 0 ? errno : EIO);
        done += static_cast<std::size_t>(n);
    }
    return netapi::NERR_Success;
}

netapi::NET_API_STATUS SmbPipe::ReadExact(std::span<std::uint8_t> out) {
    SMBCCTX* context = mConnection->Context();
    std::size_t done = 0;
    while (done < out.size()) {
        errno = 0;
        const ssize_t n =
            smbc_getFunctionRead(context)(context, mFile, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ErrnoToStatus(errno != 0 ? errno : EIO);
        if (n == 0) return netapi::ERROR_NETNAME_DELETED;  // the server closed the pipe
        done += static_cast<std::size_t>(n);
    }
    return netapi::NERR_Success;
}

}  // namespace smb
