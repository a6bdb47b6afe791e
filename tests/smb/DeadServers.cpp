#include "DeadServers.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
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

// A black hole: takes what the client sends and never answers.
struct Hole final : Link {
    void FromClient(const std::uint8_t*, std::size_t) override {}
    void FromServer(const std::uint8_t*, std::size_t) override {}
};

// Passes requests on at once; hands replies back one byte a second while
// `dripping`, counting the goodbyes (CLOSE, TREE_DISCONNECT, LOGOFF) sent meanwhile.
struct Drip final : Link {
    Drip(std::atomic<int>& goodbyes, const std::atomic<bool>& dripping)
        : goodbyes(goodbyes), dripping(dripping) {}
    void FromClient(const std::uint8_t* data, std::size_t size) override {
        ToServer(data, size);
        fromClient.insert(fromClient.end(), data, data + size);
        for (Bytes m; NextFrame(fromClient, m);) {
            const unsigned command = m.size() >= 64 && m[0] == 0xFE && m[1] == 'S' ? m[12] | m[13] << 8 : 0;
            if (dripping.load() && (command == 2 || command == 4 || command == 6)) ++goodbyes;
        }
    }
    void FromServer(const std::uint8_t* data, std::size_t size) override {
        toClient.insert(toClient.end(), data, data + size);
    }
    void Flush() override {
        if (toClient.empty()) return;
        const auto now = std::chrono::steady_clock::now();
        if (!dripping.load()) {
            const std::vector<std::uint8_t> all(toClient.begin(), toClient.end());
            toClient.clear();
            ToClient(all.data(), all.size());
        } else if (now - lastDrip >= std::chrono::seconds(1)) {
            lastDrip = now;
            ToClient(&toClient.front(), 1);
            toClient.pop_front();
        }
    }

    std::atomic<int>& goodbyes;
    const std::atomic<bool>& dripping;
    Bytes fromClient;  // the start of a request not yet whole
    std::deque<std::uint8_t> toClient;
    std::chrono::steady_clock::time_point lastDrip = std::chrono::steady_clock::now();
};

}  // namespace

DeadServer::DeadServer(Kind kind, int count, std::string upstream) : mLock{TakeSharedLock()} {
    for (int i = 0; i < count; ++i)
        if (!mNet.Listen(Address(i))) return;
    mNet.Start(kind == Kind::Drip ? upstream : "", 100, [this, kind]() -> std::unique_ptr<Link> {
        ++mAccepted;
        if (kind == Kind::BlackHole) return std::make_unique<Hole>();
        return std::make_unique<Drip>(mGoodbyes, mDripping);
    });
}

DeadServer::HeldLock::~HeldLock() {
    if (fd >= 0) close(fd);
}

}  // namespace smbtest
