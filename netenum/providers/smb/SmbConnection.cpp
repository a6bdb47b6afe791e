#include "SmbConnection.h"

#include <libsmbclient.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>

#include "StatusMap.h"
#include "netenum/CallControl.h"

namespace smb {

namespace {

void CopyField(char* to, int size, const std::string& from) {
    if (to == nullptr || size <= 0) return;
    const std::size_t n = std::min(from.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(to, from.data(), n);
    to[n] = 0;
}

}  // namespace

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
    : mHost(std::move(host)), mCredentials(credentials) {
    SmbLibraryLock library;
    if (!library.Held()) return;
    SMBCCTX* context = smbc_new_context();
    if (context == nullptr) return;
    smbc_setDebug(context, 0);
    smbc_setTimeout(context, kTimeoutMs);
    smbc_setOptionUserData(context, this);
    smbc_setFunctionAuthDataWithContext(context, &SmbConnection::Authenticate);
    // A refused logon must stay a refusal, not turn into an anonymous session.
    smbc_setOptionNoAutoAnonymousLogin(context, 1);
    smbc_setOptionUseKerberos(context, mCredentials.UseKerberos() ? 1 : 0);
    smbc_setOptionFallbackAfterKerberos(context, mCredentials.HasPassword() ? 1 : 0);
    if (smbc_init_context(context) == nullptr) {
        smbc_free_context(context, 1);
        return;
    }
    mContext = context;
}

SmbConnection::~SmbConnection() {
    if (mContext == nullptr) return;
    // Not bounded by any call: the context must go whatever the time.
    netapi::ScopedCall unbounded(nullptr);
    SmbLibraryLock library;
    smbc_free_context(mContext, 1);
}

void SmbConnection::Authenticate(SMBCCTX* context, const char*, const char*, char* workgroup,
                                 int workgroupLength, char* user, int userLength, char* password,
                                 int passwordLength) {
    auto* self = static_cast<SmbConnection*>(smbc_getOptionUserData(context));
    if (self == nullptr) return;
    const SmbCredentials& c = self->mCredentials;
    if (!c.Domain().empty()) CopyField(workgroup, workgroupLength, c.Domain());
    // An empty user name makes libsmbclient log on anonymously even with a
    // ticket: Kerberos needs the ticket's principal named.
    CopyField(user, userLength, c.User().empty() && c.UseKerberos() ? c.Principal() : c.User());
    CopyField(password, passwordLength, c.Password());
}

netapi::NET_API_STATUS SmbConnection::OpenPipe(const std::string& pipe, SMBCFILE*& file) {
    file = nullptr;
    if (mContext == nullptr) return netapi::ERROR_NOT_ENOUGH_MEMORY;
    // An IPv6 literal needs its brackets inside the URL.
    const bool v6 = mHost.find(':') != std::string::npos && mHost.front() != '[';
    const std::string url = "smb://" + (v6 ? "[" + mHost + "]" : mHost) + "/IPC$/" + pipe;
    // A new connection's every step is bounded by what is left of the call.
    int timeout = kTimeoutMs;
    if (const netapi::CallControl* call = netapi::CurrentCall()) {
        const auto left = call->Remaining().count();
        if (left <= 0) return netapi::ERROR_BAD_NETPATH;
        timeout = static_cast<int>(std::min<long long>(left, kTimeoutMs));
    }
    SmbLibraryLock library;
    if (!library.Held()) return netapi::ERROR_BAD_NETPATH;
    smbc_setTimeout(mContext, timeout);
    errno = 0;
    file = smbc_getFunctionOpen(mContext)(mContext, url.c_str(), O_RDWR, 0);
    if (file == nullptr) {
        const int error = errno != 0 ? errno : EIO;
        // Waiting on a cached connection leaves a request outstanding on it.
        if (error == ETIMEDOUT) Poison();
        return OpenErrnoToStatus(error);
    }
    return netapi::NERR_Success;
}

}  // namespace smb
