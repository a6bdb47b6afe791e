#pragma once
// What the test peers on loopback (dead servers, the message-mode relay)
// share: listening sockets on port 445 of chosen addresses, and one thread
// that serves them until the owner goes. The thread polls StopFd() with its
// sockets and returns when it becomes readable.
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace smbtest {

class ListeningThread final {
public:
    ListeningThread() = default;
    ~ListeningThread();
    ListeningThread(const ListeningThread&) = delete;
    ListeningThread& operator=(const ListeningThread&) = delete;

    // Listens on `ip`:445; false with the reason in Error().
    bool Listen(const std::string& ip);
    // Runs `serve` on the thread; false when the stop pipe cannot be made.
    bool Start(std::function<void()> serve);

    const std::vector<int>& Sockets() const { return mSockets; }
    int StopFd() const { return mStopPipe[0]; }
    const std::string& Error() const { return mError; }

private:
    std::vector<int> mSockets;
    int mStopPipe[2] = {-1, -1};
    std::string mError;
    std::thread mThread;
};

}  // namespace smbtest
