#include "ListeningThread.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace smbtest {
namespace {

sockaddr_in Port445(const std::string& ip) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(445);
    inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
    return a;
}

}  // namespace

bool NextFrame(Bytes& stream, Bytes& frame) {
    if (stream.size() < 4) return false;
    const std::size_t length = static_cast<std::size_t>(stream[1]) << 16 | stream[2] << 8 | stream[3];
    if (stream.size() < 4 + length) return false;
    frame.assign(stream.begin() + 4, stream.begin() + 4 + static_cast<std::ptrdiff_t>(length));
    stream.erase(stream.begin(), stream.begin() + 4 + static_cast<std::ptrdiff_t>(length));
    return true;
}

Link::~Link() {
    for (int fd : {client, server})
        if (fd >= 0) close(fd);
}

void Link::ToClient(const void* data, std::size_t size) const { (void)!write(client, data, size); }

void Link::ToServer(const void* data, std::size_t size) const { (void)!write(server, data, size); }

bool ListeningThread::Listen(const std::string& ip) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    mSockets.push_back(fd);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr_in a = Port445(ip);
    if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 &&
        listen(fd, 64) == 0)
        return true;
    mError = "cannot listen on " + ip + ":445: " + std::strerror(errno);
    return false;
}

bool ListeningThread::Start(std::string upstream, int pollMs, std::function<std::unique_ptr<Link>()> make) {
    if (pipe2(mStopPipe, O_CLOEXEC) != 0) {
        mError = "pipe";
        return false;
    }
    mThread = std::thread([this, upstream = std::move(upstream), pollMs, make = std::move(make)] {
        Serve(upstream, pollMs, make);
    });
    return true;
}

void ListeningThread::Serve(const std::string& upstream, int pollMs,
                            const std::function<std::unique_ptr<Link>()>& make) {
    std::vector<std::unique_ptr<Link>> links;
    std::uint8_t buf[65536];
    for (;;) {
        std::vector<pollfd> fds = {{mStopPipe[0], POLLIN, 0}};
        for (int fd : mSockets) fds.push_back({fd, POLLIN, 0});
        for (const auto& l : links) {
            fds.push_back({l->client, POLLIN, 0});
            fds.push_back({l->server, POLLIN, 0});  // none (-1): ignored
        }
        poll(fds.data(), fds.size(), pollMs);
        if (fds[0].revents != 0) return;
        for (std::size_t i = 0; i < links.size(); ++i) {
            Link& l = *links[i];
            for (int side = 0; side < 2 && l.client >= 0; ++side) {
                if ((fds[1 + mSockets.size() + 2 * i + side].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                    continue;
                const ssize_t n = read(side == 0 ? l.client : l.server, buf, sizeof buf);
                if (n <= 0) {
                    close(l.client);
                    l.client = -1;
                } else if (side == 0) {
                    l.FromClient(buf, static_cast<std::size_t>(n));
                } else {
                    l.FromServer(buf, static_cast<std::size_t>(n));
                }
            }
            if (l.client >= 0) l.Flush();
        }
        std::erase_if(links, [](const auto& l) { return l->client < 0; });
        for (std::size_t s = 0; s < mSockets.size(); ++s) {
            if ((fds[1 + s].revents & POLLIN) == 0) continue;
            auto link = make();
            link->client = accept4(mSockets[s], nullptr, nullptr, SOCK_CLOEXEC);
            if (!upstream.empty()) {
                link->server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                const sockaddr_in up = Port445(upstream);
                if (connect(link->server, reinterpret_cast<const sockaddr*>(&up), sizeof up) != 0) continue;
            }
            if (link->client >= 0) links.push_back(std::move(link));
        }
    }
}

ListeningThread::~ListeningThread() {
    if (mThread.joinable()) {
        (void)!write(mStopPipe[1], "x", 1);
        mThread.join();
    }
    for (int fd : mSockets)
        if (fd >= 0) close(fd);
    for (int fd : mStopPipe)
        if (fd >= 0) close(fd);
}

}  // namespace smbtest
