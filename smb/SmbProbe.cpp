#include "SmbProbe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>

namespace smb {
namespace {

// NetBIOS session header, SMB2 header (NEGOTIATE, message id 0) and a
// NEGOTIATE request offering the dialects 2.0.2 to 3.0.2.
const std::array<std::uint8_t, 4 + 64 + 36 + 8> kNegotiate = [] {
    std::array<std::uint8_t, 4 + 64 + 36 + 8> b{};
    b[3] = 64 + 36 + 8;
    std::uint8_t* h = b.data() + 4;
    h[0] = 0xFE; h[1] = 'S'; h[2] = 'M'; h[3] = 'B';
    h[4] = 64;   // structure size
    h[14] = 1;   // credits requested
    std::uint8_t* n = h + 64;
    n[0] = 36;   // structure size
    n[2] = 4;    // dialect count
    n[4] = 1;    // security mode: signing enabled
    for (int i = 0; i < 16; ++i) n[12 + i] = static_cast<std::uint8_t>(0x56 + i);  // client guid
    const std::uint16_t dialects[4] = {0x0202, 0x0210, 0x0300, 0x0302};
    for (int i = 0; i < 4; ++i) {
        n[36 + 2 * i] = static_cast<std::uint8_t>(dialects[i] & 0xFF);
        n[37 + 2 * i] = static_cast<std::uint8_t>(dialects[i] >> 8);
    }
    return b;
}();

struct Probe {
    int fd = -1;
    bool connected = false;
    std::size_t sent = 0;
};

// A non-blocking connection attempt to the first address that takes one; -1
// when none did at once.
int StartConnect(const Resolution& where) {
    int fd = -1;
    for (std::size_t i = 0; i < where.addresses.size() && fd < 0; ++i) {
        const Resolution::Address& a = where.addresses[i];
        fd = socket(a.family, a.socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.protocol);
        if (fd < 0) continue;
        if (connect(fd, reinterpret_cast<const sockaddr*>(a.bytes.data()),
                    static_cast<socklen_t>(a.bytes.size())) != 0 &&
            errno != EINPROGRESS) {
            close(fd);
            fd = -1;
        }
    }
    return fd;
}

}  // namespace

std::vector<netapi::NET_API_STATUS> ProbeSmb(const std::vector<std::string>& hosts,
                                             const std::function<void(std::size_t)>& answered,
                                             unsigned short port) {
    // Until a host is asked, nothing is known about it.
    std::vector<netapi::NET_API_STATUS> result(hosts.size(), netapi::ERROR_CANCELLED);
    const std::vector<Resolution> where = ResolveHosts(hosts, port);
    std::vector<Probe> probes(hosts.size());
    std::vector<std::size_t> active;
    std::size_t next = 0;
    const netapi::CallControl* call = netapi::CurrentCall();
    const auto stop = [&] { return call != nullptr && call->Over(); };
    auto finish = [&](std::size_t i, netapi::NET_API_STATUS status) {
        if (probes[i].fd >= 0) close(probes[i].fd);
        probes[i].fd = -1;
        result[i] = status;
    };

    while ((next < hosts.size() || !active.empty()) && !stop()) {
        while (next < hosts.size() && active.size() < kProbesInFlight) {
            const std::size_t i = next++;
            if (where[i].status != netapi::NERR_Success) {
                result[i] = where[i].status;
                continue;
            }
            probes[i].fd = StartConnect(where[i]);
            if (probes[i].fd >= 0) active.push_back(i);
            else result[i] = netapi::ERROR_BAD_NETPATH;
        }
        if (active.empty()) continue;
        std::vector<pollfd> fds;
        for (std::size_t i : active)
            fds.push_back({probes[i].fd,
                           static_cast<short>(probes[i].connected &&
                                                      probes[i].sent == kNegotiate.size()
                                                  ? POLLIN
                                                  : POLLOUT),
                           0});
        // Short slices, so that a call given up stops promptly.
        int wait = 100;
        if (call != nullptr)
            wait = static_cast<int>(std::min<long long>(wait, call->Remaining().count()));
        if (poll(fds.data(), fds.size(), std::max(wait, 0)) < 0 && errno != EINTR) break;
        for (std::size_t k = 0; k < fds.size(); ++k) {
            const std::size_t i = active[k];
            Probe& p = probes[i];
            const short got = fds[k].revents;
            if (got == 0) continue;
            if ((got & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (got & POLLIN) == 0) {
                finish(i, netapi::ERROR_BAD_NETPATH);
                continue;
            }
            if (!p.connected) {
                int error = 0;
                socklen_t length = sizeof error;
                getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &length);
                if (error != 0) {
                    finish(i, netapi::ERROR_BAD_NETPATH);
                    continue;
                }
                p.connected = true;
            }
            if ((got & POLLOUT) != 0 && p.sent < kNegotiate.size()) {
                const ssize_t n = send(p.fd, kNegotiate.data() + p.sent,
                                       kNegotiate.size() - p.sent, MSG_NOSIGNAL);
                if (n < 0 && errno != EAGAIN && errno != EINTR) finish(i, netapi::ERROR_BAD_NETPATH);
                if (n > 0) p.sent += static_cast<std::size_t>(n);
            }
            if ((got & POLLIN) != 0 && p.fd >= 0) {
                std::uint8_t byte = 0;
                const ssize_t n = recv(p.fd, &byte, 1, 0);
                if (n > 0)
                    finish(i, netapi::NERR_Success);
                else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    finish(i, netapi::ERROR_BAD_NETPATH);
            }
        }
        std::vector<std::size_t> done;
        std::erase_if(active, [&](std::size_t i) {
            if (probes[i].fd >= 0) return false;
            if (result[i] == netapi::NERR_Success) done.push_back(i);
            return true;
        });
        if (answered)
            for (std::size_t i : done) answered(i);
    }
    for (std::size_t i : active) finish(i, netapi::ERROR_BAD_NETPATH);
    return result;
}

}  // namespace smb
