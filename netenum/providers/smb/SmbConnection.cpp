#include "SmbConnection.h"

#include <libsmbclient.h>

#include <cerrno>
#include <cstring>

#include "StatusMap.h"

namespace smb {

namespace {

void CopyField(char* to, int size, const std::string& from) {
    if (to == nullptr || size <= 0) return;
    const std::size_t n = std::min(from.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(to, from.data(), n);
    to[n] = 0;
}

}  // namespace

SmbConnection::SmbConnection(std::string host, const SmbCredentials& credentials)
    : mHost(std::move(host)), mCredentials(credentials) {
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
    if (mContext != nullptr) smbc_free_context(mContext, 1);
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
    errno = 0;
    file = smbc_getFunctionOpen(mContext)(mContext, url.c_str(), O_RDWR, 0);
    if (file == nullptr) return OpenErrnoToStatus(errno != 0 ? errno : EIO);
    return netapi::NERR_Success;
}

}  // namespace smb
