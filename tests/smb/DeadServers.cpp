#include "DeadServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <vector>

namespace smbtest {
namespace {

constexpr const char* kLockFile = "/tmp/vantor-samba.lock";

// The lock file, already locked by an ancestor (flock(1) around ctest keeps
// its descriptor open in every child) or locked here.
int TakeSharedLock() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        const auto target = std::filesystem::read_symlink(entry.path(), ec);
        if (!ec && target == kLockFile) return -1;  // held by whoever started us
    }
    const int fd = open(kLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) flock(fd, LOCK_EX);
    return fd;
}

sockaddr_in SocketAddress(const char* ip, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, ip, &a.sin_addr);
    return a;
}

struct Relay {
    int client = -1;
    int server = -1;
    std::deque<char> toClient;
    std::string fromClient;  // the start of a request not yet whole
};

// Frames the client's stream into SMB2 requests (a 4-byte length, then the
// header); with `counting`, the CLOSE, TREE_DISCONNECT and LOGOFF among them.
int Goodbyes(std::string& stream, const char* data, std::size_t size, bool counting) {
    stream.append(data, size);
    int found = 0;
    while (stream.size() >= 4) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(stream[i]); };
        const std::size_t length = byte(1) << 16 | byte(2) << 8 | byte(3);
        if (stream.size() < 4 + length) break;
        if (counting && length >= 64 && stream.compare(4, 4, "\xFESMB") == 0) {
            const unsigned command = byte(4 + 12) | byte(4 + 13) << 8;
            if (command == 2 || command == 4 || command == 6) ++found;
        }
        stream.erase(0, 4 + length);
    }
    return found;
}

}  // namespace

DeadServer::DeadServer(Kind kind, int count, std::string upstream)
    : mKind(kind), mUpstream(std::move(upstream)), mLock{TakeSharedLock()} {
    for (int i = 0; i < count; ++i)
        if (!mNet.Listen(Address(i))) return;
    mNet.Start([this] { Serve(); });
}

DeadServer::HeldLock::~HeldLock() {
    if (fd >= 0) close(fd);
}

void DeadServer::Serve() {
    std::vector<Relay> relays;
    auto lastDrip = std::chrono::steady_clock::now();
    for (;;) {
        std::vector<pollfd> fds = {{mNet.StopFd(), POLLIN, 0}};
        for (int fd : mNet.Sockets()) fds.push_back({fd, POLLIN, 0});
        const std::size_t first = fds.size();
        for (const auto& r : relays) {
            fds.push_back({r.client, POLLIN, 0});
            fds.push_back({r.server, static_cast<short>(r.server >= 0 ? POLLIN : 0), 0});
        }
        poll(fds.data(), fds.size(), 100);
        if (fds[0].revents != 0) break;
        const std::size_t polled = relays.size();
        for (std::size_t l = 0; l < mNet.Sockets().size(); ++l) {
            if ((fds[1 + l].revents & POLLIN) == 0) continue;
            const int c = accept4(mNet.Sockets()[l], nullptr, nullptr, SOCK_CLOEXEC);
            if (c >= 0) {
                ++mAccepted;
                Relay r;
                r.client = c;
                if (mKind == Kind::Drip) {
                    r.server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                    const sockaddr_in up = SocketAddress(mUpstream.c_str(), 445);
                    if (connect(r.server, reinterpret_cast<const sockaddr*>(&up), sizeof up) != 0) {
                        close(r.server);
                        r.server = -1;
                    }
                }
                relays.push_back(r);
            }
        }
        char buf[65536];
        for (std::size_t i = 0; i < polled; ++i) {
            Relay& r = relays[i];
            const short fromClient = fds[first + 2 * i].revents;
            const short fromServer = fds[first + 1 + 2 * i].revents;
            if (fromClient & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t n = read(r.client, buf, sizeof buf);
                if (n <= 0) {
                    close(r.client);
                    r.client = -1;
                } else if (r.server >= 0) {
                    (void)!write(r.server, buf, static_cast<std::size_t>(n));
                    mGoodbyes += Goodbyes(r.fromClient, buf, static_cast<std::size_t>(n),
                                          mDripping.load());
                }
            }
            if (r.server >= 0 && (fromServer & (POLLIN | POLLHUP | POLLERR))) {
                const ssize_t n = read(r.server, buf, sizeof buf);
                if (n <= 0) {
                    close(r.server);
                    r.server = -1;
                } else {
                    r.toClient.insert(r.toClient.end(), buf, buf + n);
                }
            }
        }
        // Replies: everything at once, or one byte a second.
        const auto now = std::chrono::steady_clock::now();
        const bool tick = now - lastDrip >= std::chrono::seconds(1);
        if (tick) lastDrip = now;
        for (auto& r : relays) {
            if (r.client < 0 || r.toClient.empty()) continue;
            if (!mDripping.load()) {
                std::vector<char> all(r.toClient.begin(), r.toClient.end());
                r.toClient.clear();
                (void)!write(r.client, all.data(), all.size());
            } else if (tick) {
                const char b = r.toClient.front();
                r.toClient.pop_front();
                (void)!write(r.client, &b, 1);
            }
        }
        std::erase_if(relays, [](Relay& r) {
            if (r.client >= 0) return false;
            if (r.server >= 0) close(r.server);
            return true;
        });
    }
    for (auto& r : relays) {
        if (r.client >= 0) close(r.client);
        if (r.server >= 0) close(r.server);
    }
}

}  // namespace smbtest
