#include "ListeningThread.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace smbtest {

bool ListeningThread::Listen(const std::string& ip) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    mSockets.push_back(fd);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(445);
    inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
    if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 &&
        listen(fd, 64) == 0)
        return true;
    mError = "cannot listen on " + ip + ":445: " + std::strerror(errno);
    return false;
}

bool ListeningThread::Start(std::function<void()> serve) {
    if (pipe2(mStopPipe, O_CLOEXEC) != 0) {
        mError = "pipe";
        return false;
    }
    mThread = std::thread(std::move(serve));
    return true;
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
