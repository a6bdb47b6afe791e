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

// Under the library's lock; a step cut short by a signal goes again. A read
// that moves nothing means the server closed the pipe.
template <typename Step>
netapi::NET_API_STATUS SmbPipe::Transfer(std::size_t size, bool reading, Step step) {
    SMBCCTX* context = mConnection->Context();
    SmbLibraryLock library;
    if (!library.Held()) return netapi::ERROR_SEM_TIMEOUT;
    std::size_t done = 0;
    while (done < size) {
        errno = 0;
        const ssize_t n = step(context, done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 && reading) {
            mConnection->Poison();
            return netapi::ERROR_NETNAME_DELETED;
        }
        if (n <= 0) return Failed(errno);
        done += static_cast<std::size_t>(n);
    }
    return netapi::NERR_Success;
}

netapi::NET_API_STATUS SmbPipe::Write(std::span<const std::uint8_t> data) {
    return Transfer(data.size(), false, [&](SMBCCTX* context, std::size_t done) {
        return smbc_getFunctionWrite(context)(context, mFile, data.data() + done,
                                              data.size() - done);
    });
}

netapi::NET_API_STATUS SmbPipe::ReadExact(std::span<std::uint8_t> out) {
    return Transfer(out.size(), true, [&](SMBCCTX* context, std::size_t done) {
        return smbc_getFunctionRead(context)(context, mFile, out.data() + done, out.size() - done);
    });
}

}  // namespace smb
