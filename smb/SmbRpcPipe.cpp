#include "SmbRpcPipe.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>

#include "SambaRpc.h"
#include "SmbLibraryLock.h"
#include "StatusMap.h"
#include "netenum/CallControl.h"

namespace smb {

namespace {

bool CallOver() {
    const netapi::CallControl* call = netapi::CurrentCall();
    return call != nullptr && call->Over();
}

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

// The SMB connections to `host` made since `before` was taken.
std::vector<SmbRpcPipe::Socket> NewSockets(const std::string& host, const std::set<int>& before) {
    std::vector<SmbRpcPipe::Socket> found;
    for (int fd : SocketFds()) {
        if (before.contains(fd)) continue;
        std::string peer = SocketEnd(fd, true);
        if (SmbEndOf(host, peer)) found.push_back({fd, SocketEnd(fd, false), std::move(peer)});
    }
    return found;
}

// Only while the descriptor is still the same connection, end to end.
void CutSocket(const SmbRpcPipe::Socket& s) {
    if (s.fd >= 0 && !s.local.empty() && SocketEnd(s.fd, false) == s.local &&
        SocketEnd(s.fd, true) == s.peer)
        shutdown(s.fd, SHUT_RDWR);
}

// A connection under way: given up with the call, every SMB connection it
// made to the host is cut, so that the library stops waiting on it.
struct Connecting {
    const std::string& host;
    std::set<int> before;
    static int GiveUp(void* context) {
        if (!CallOver()) return 0;
        const auto* self = static_cast<const Connecting*>(context);
        for (const auto& s : NewSockets(self->host, self->before)) CutSocket(s);
        return 1;
    }
};

int CutWhenOver(void* context) {
    if (!CallOver()) return 0;
    CutSocket(*static_cast<const SmbRpcPipe::Socket*>(context));
    return 1;
}

}  // namespace

netapi::NET_API_STATUS SmbRpcPipe::Open(const std::string& host, const SmbCredentials& credentials,
                                        const std::string& pipe, const dcerpc::SyntaxId& iface,
                                        bool reached, std::unique_ptr<RpcChannel>& out) {
    out.reset();
    if (CallOver()) return netapi::ERROR_BAD_NETPATH;
    SmbLibraryLock library;
    if (!library.Held()) return netapi::ERROR_BAD_NETPATH;
    // An empty user name would log on anonymously even with a ticket:
    // Kerberos needs the ticket's principal named.
    const std::string user = credentials.User().empty() && credentials.UseKerberos()
                                 ? credentials.Principal()
                                 : credentials.User();
    const vantor_rpc_logon logon{user.c_str(), credentials.Domain().c_str(),
                                 credentials.HasPassword() ? credentials.Password().c_str() : nullptr,
                                 credentials.UseKerberos() ? 1 : 0};
    Connecting connecting{host, SocketFds()};
    const vantor_rpc_watch watch{&Connecting::GiveUp, &connecting};
    vantor_rpc* rpc = nullptr;
    int gaveUp = 0;
    const std::uint32_t status =
        vantor_rpc_open(host.c_str(), pipe.c_str(), iface.uuid.data(),
                        static_cast<std::uint32_t>(iface.major) |
                            static_cast<std::uint32_t>(iface.minor) << 16,
                        &logon, kMaxReplyBytes, &watch, &rpc, &gaveUp);
    // The connection the open made: the one new SMB socket. Other threads may
    // open sockets meanwhile; with more than one candidate none is taken.
    const auto made = NewSockets(host, connecting.before);
    if (gaveUp != 0) return netapi::ERROR_BAD_NETPATH;
    // A ticket alone that cannot serve this server (Kerberos cannot name an
    // address) is a refused logon: an account may be asked for.
    if (status == 0xC000000D && credentials.UseKerberos() && !credentials.HasPassword())
        return netapi::ERROR_LOGON_FAILURE;
    if (status != 0) return OpenNtStatusToStatus(status, reached || !made.empty());
    out.reset(new SmbRpcPipe(rpc, made.size() == 1 ? made.front() : Socket{}));
    return netapi::NERR_Success;
}

SmbRpcPipe::~SmbRpcPipe() {
    // Not bounded by any call: the pipe must go whatever the time. A broken
    // one was cut, so its goodbyes fail at once.
    netapi::ScopedCall unbounded(nullptr);
    SmbLibraryLock library;
    vantor_rpc_close(mRpc);
}

void SmbRpcPipe::Cut() {
    mBroken = true;
    CutSocket(mSocket);
}

netapi::NET_API_STATUS SmbRpcPipe::Call(std::uint16_t opnum, const std::vector<std::uint8_t>& stub,
                                        std::vector<std::uint8_t>& reply) {
    reply.clear();
    mRequestSent = false;
    if (mBroken) return netapi::RPC_S_CALL_FAILED;
    if (CallOver()) return netapi::ERROR_SEM_TIMEOUT;
    SmbLibraryLock library;
    if (!library.Held()) return netapi::ERROR_SEM_TIMEOUT;
    // From here on the server may carry the request out.
    if (netapi::CallControl* call = netapi::CurrentCall()) call->requestSent.store(true);
    mRequestSent = true;
    const vantor_rpc_watch watch{&CutWhenOver, &mSocket};
    std::uint8_t* out = nullptr;
    std::size_t length = 0;
    int sent = 0, gaveUp = 0;
    const std::uint32_t status = vantor_rpc_call(mRpc, opnum, stub.data(), stub.size(), &watch,
                                                 &out, &length, &sent, &gaveUp);
    mRequestSent = sent != 0;
    if (out != nullptr) {
        reply.assign(out, out + length);
        vantor_rpc_free_reply(out);
    }
    if (gaveUp != 0) {
        Cut();
        reply.clear();
        return netapi::ERROR_SEM_TIMEOUT;
    }
    if (status == 0) return netapi::NERR_Success;
    reply.clear();
    const netapi::NET_API_STATUS mapped = CallNtStatusToStatus(status);
    // A fault the server sent leaves the pipe in step; anything else does not.
    const bool fault = mapped == netapi::ERROR_ACCESS_DENIED || mapped == netapi::ERROR_NOT_SUPPORTED ||
                       mapped == netapi::RPC_S_PROCNUM_OUT_OF_RANGE ||
                       mapped == netapi::RPC_X_BAD_STUB_DATA;
    if (!fault) Cut();
    return mapped;
}

}  // namespace smb
