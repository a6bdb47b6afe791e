#include "SmbConnection.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <libsmbclient.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "StatusMap.h"
#include "netenum/CallControl.h"

namespace smb {

namespace {

// "address:port" of one end of a connected TCP socket; empty for anything else.
std::string SocketEnd(int fd, bool peer) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int got = peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                         : getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (got != 0 || length > sizeof address) return {};
    char host[INET6_ADDRSTRLEN] = {};
    unsigned port = 0;
    if (address.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&address);
        inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
        port = ntohs(in->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
        port = ntohs(in6->sin6_port);
    } else {
        return {};
    }
    return std::string(host) + ":" + std::to_string(port);
}

// The descriptors of this process that are sockets.
std::set<int> SocketFds() {
    std::set<int> fds;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return fds;
    while (const dirent* entry = readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != 0 || fd < 0 || fd > INT_MAX) continue;
        struct stat st {};
        if (fstat(static_cast<int>(fd), &st) == 0 && S_ISSOCK(st.st_mode)) fds.insert(static_cast<int>(fd));
    }
    closedir(dir);
    return fds;
}

// Whether `end` ("address:port") can be the library's connection to `host`:
// an SMB port, and for a host given as an address, that address.
bool SmbEndOf(const std::string& host, const std::string& end) {
    if (!end.ends_with(":445") && !end.ends_with(":139")) return false;
    std::string literal = host;
    if (literal.size() > 2 && literal.front() == '[' && literal.back() == ']')
        literal = literal.substr(1, literal.size() - 2);
    char canonical[INET6_ADDRSTRLEN] = {};
    in6_addr v6{};
    in_addr v4{};
    if (inet_pton(AF_INET, literal.c_str(), &v4) == 1)
        inet_ntop(AF_INET, &v4, canonical, sizeof canonical);
    else if (inet_pton(AF_INET6, literal.c_str(), &v6) == 1)
        inet_ntop(AF_INET6, &v6, canonical, sizeof canonical);
    else
        return true;  // a name: the port must do
    return end.substr(0, end.rfind(':')) == canonical;
}

void CopyField(char* to, int size, const std::string& from) {
    if (to == nullptr || size <= 0) return;
    const std::size_t n = std::min(from.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(to, from.data(), n);
    to[n] = 0;
}

}  // namespace

namespace {
std::timed_mutex gLibrary;

// The library's settings are the process's, and it loads smb.conf afresh
// whenever a context is made after all others were freed: after each new
// context, a name is made to resolve through the system's resolver only. Its
// default also asks the LAN by NetBIOS broadcast and WINS, where any host may
// answer for a name the administrator typed, and would then be sent their logon.
void ResolveNamesThroughTheSystemOnly(SMBCCTX* context) {
    const int fd = memfd_create("vantor-smb.conf", MFD_CLOEXEC);
    if (fd < 0) return;
    const std::string conf = "[global]\n\tname resolve order = host\n";
    if (write(fd, conf.data(), conf.size()) == static_cast<ssize_t>(conf.size())) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        smbc_setConfiguration(context, path.c_str());
    }
    close(fd);
}
}  // namespace

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
    ResolveNamesThroughTheSystemOnly(context);
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
    const std::set<int> before = SocketFds();
    errno = 0;
    file = smbc_getFunctionOpen(mContext)(mContext, url.c_str(), O_RDWR, 0);
    const int error = errno != 0 ? errno : EIO;
    NoteSocket(before);
    if (file == nullptr) {
        // Waiting on a cached connection leaves a request outstanding on it.
        if (error == ETIMEDOUT) Poison();
        return OpenErrnoToStatus(error);
    }
    return netapi::NERR_Success;
}

void SmbConnection::NoteSocket(const std::set<int>& before) {
    // The connection the open made, if it made one: the one new SMB socket.
    // Other threads may open sockets meanwhile; with more than one candidate
    // none is taken.
    Socket found;
    int candidates = 0;
    for (int fd : SocketFds()) {
        if (before.contains(fd)) continue;
        std::string peer = SocketEnd(fd, true);
        if (!SmbEndOf(mHost, peer)) continue;
        ++candidates;
        found = {fd, SocketEnd(fd, false), std::move(peer)};
    }
    if (candidates == 1) mSocket = std::move(found);
}

void SmbConnection::Poison() {
    if (mPoisoned.exchange(true)) return;
    // Only while the descriptor is still the same connection, end to end.
    if (mSocket.fd >= 0 && !mSocket.local.empty() && SocketEnd(mSocket.fd, false) == mSocket.local &&
        SocketEnd(mSocket.fd, true) == mSocket.peer)
        shutdown(mSocket.fd, SHUT_RDWR);
}

}  // namespace smb
