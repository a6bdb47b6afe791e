#pragma once
// What the test peers on loopback (dead servers, the message-mode relay)
// share: listening sockets on port 445 of chosen addresses, and one thread
// that relays each client accepted to an upstream server (or to none) until
// the owner goes.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace smbtest {

using Bytes = std::vector<std::uint8_t>;

// Takes whole frames (a 4-byte length, then one SMB2 message) off a stream.
bool NextFrame(Bytes& stream, Bytes& frame);

// One client the thread serves, and its connection upstream (-1: none); both
// are closed when the link goes.
struct Link {
    virtual ~Link();
    // What the client sent, and what the server sent.
    virtual void FromClient(const std::uint8_t* data, std::size_t size) = 0;
    virtual void FromServer(const std::uint8_t* data, std::size_t size) = 0;
    // After every poll: the time to send the client what is due.
    virtual void Flush() {}
    void ToClient(const void* data, std::size_t size) const;
    void ToServer(const void* data, std::size_t size) const;

    int client = -1;
    int server = -1;
};

class ListeningThread final {
public:
    ListeningThread() = default;
    ~ListeningThread();
    ListeningThread(const ListeningThread&) = delete;
    ListeningThread& operator=(const ListeningThread&) = delete;

    // Listens on `ip`:445; false with the reason in Error().
    bool Listen(const std::string& ip);
    // Serves on the thread, polling at least every `pollMs`: each client
    // accepted becomes make()'s link, connected to `upstream`:445 unless that
    // is empty (a client the upstream does not take is dropped). The link
    // ends with either side's end. False when the stop pipe cannot be made.
    bool Start(std::string upstream, int pollMs, std::function<std::unique_ptr<Link>()> make);

    const std::string& Error() const { return mError; }

private:
    void Serve(const std::string& upstream, int pollMs, const std::function<std::unique_ptr<Link>()>& make);

    std::vector<int> mSockets;
    int mStopPipe[2] = {-1, -1};
    std::string mError;
    std::thread mThread;
};

}  // namespace smbtest
