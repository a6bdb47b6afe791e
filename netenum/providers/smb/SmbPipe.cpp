#include "SmbPipe.h"

#include <libsmbclient.h>

#include <cerrno>

#include "SmbConnection.h"
#include "StatusMap.h"
#include "netenum/CallControl.h"

namespace smb {

SmbPipe::SmbPipe(std::shared_ptr<SmbConnection> connection, SMBCFILE* file)
    : mConnection(std::move(connection)), mFile(file) {}

SmbPipe::~SmbPipe() {
    if (mFile == nullptr) return;
    netapi::ScopedCall unbounded(nullptr);
    SmbLibraryLock library;
    smbc_getFunctionClose(mConnection->Context())(mConnection->Context(), mFile);
}

bool SmbPipe::Usable() const { return !mConnection->Poisoned(); }

netapi::NET_API_STATUS SmbPipe::Failed(int error) {
    mConnection->Poison();
    if (error == ETIMEDOUT) return netapi::ERROR_SEM_TIMEOUT;
    return ErrnoToStatus(error != 0 ? error : EIO);
}

netapi::NET_API_STATUS SmbPipe::Write(std::span<const std::uint8_t> data) {
    SMBCCTX* context = mConnection->Context();
    SmbLibraryLock library;
    if (!library.Held()) return netapi::ERROR_SEM_TIMEOUT;
    std::size_t done = 0;
    while (done < data.size()) {
        errno = 0;
        const ssize_t n = smbc_getFunctionWrite(context)(context, mFile, data.data() + done,
                                                        data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Failed(errno);
        done += static_cast<std::size_t>(n);
    }
    return netapi::NERR_Success;
}

netapi::NET_API_STATUS SmbPipe::ReadExact(std::span<std::uint8_t> out) {
    SMBCCTX* context = mConnection->Context();
    SmbLibraryLock library;
    if (!library.Held()) return netapi::ERROR_SEM_TIMEOUT;
    std::size_t done = 0;
    while (done < out.size()) {
        errno = 0;
        const ssize_t n =
            smbc_getFunctionRead(context)(context, mFile, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Failed(errno);
        if (n == 0) {
            mConnection->Poison();
            return netapi::ERROR_NETNAME_DELETED;  // the server closed the pipe
        }
        done += static_cast<std::size_t>(n);
    }
    return netapi::NERR_Success;
}

}  // namespace smb
