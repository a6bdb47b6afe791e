#include "SmbLibraryLock.h"

#include <mutex>

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

}  // namespace smb
