#include "SmbConnection.h"

#include <mutex>

#include "SmbRpcPipe.h"
#include "netenum/CallControl.h"

namespace smb {

namespace {
std::timed_mutex gLibrary;
}

SmbLibraryLock::SmbLibraryLock() {
    const netapi::CallControl* call = netapi::CurrentCall();
    if (call == nullptr || call->deadline == netapi::CallClock::time_point::max()) {
        gLibrary.lock();
        mHeld = true;
        return;
    }
    mHeld = gLibrary.try_lock_until(call->deadline);
}

SmbLibraryLock::~SmbLibraryLock() {
    if (mHeld) gLibrary.unlock();
}

SmbConnection::SmbConnection(std::string host, const SmbCredentials& credentials)
    : mHost(std::move(host)), mCredentials(credentials) {}

netapi::NET_API_STATUS SmbConnection::Bind(const std::string& pipe, const dcerpc::SyntaxId& iface,
                                           std::unique_ptr<RpcChannel>& out) {
    const netapi::NET_API_STATUS status =
        SmbRpcPipe::Open(mHost, mCredentials, pipe, iface, mReached, out);
    if (status == netapi::NERR_Success) mReached = true;
    return status;
}

}  // namespace smb
