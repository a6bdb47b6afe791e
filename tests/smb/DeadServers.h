#pragma once
// Computers that are there and do not answer, on 127.0.0.2:445: a black hole
// that accepts connections and never sends a byte, and a drip relay to the
// live Samba server that passes requests at once and can hand replies back
// one byte per second. Both take /tmp/vantor-samba.lock (shared with other
// test runs on the machine) unless a parent already holds it.
#include <atomic>
#include <string>

#include "ListeningThread.h"

namespace smbtest {

class DeadServer final {
public:
    enum class Kind { BlackHole, Drip };
    // Starts listening on 127.0.0.2:445 (and for `count` > 1 on the next
    // addresses up); Error() says why not (not root, address in use, ...).
    explicit DeadServer(Kind kind, int count = 1, std::string upstream = "127.0.0.1");

    const std::string& Error() const { return mNet.Error(); }
    // Connections accepted so far: how often the program touched the network.
    int Accepted() const { return mAccepted.load(); }
    // SMB2 CLOSE, TREE_DISCONNECT and LOGOFF requests the program sent while
    // the replies dripped: goodbyes that each wait on a stalled server.
    int GoodbyesWhileDripping() const { return mGoodbyes.load(); }
    // Drip: replies one byte per second while on, at full speed while off.
    void SetDripping(bool on) { mDripping.store(on); }

    // The i-th address listened on ("127.0.0.2" first).
    static std::string Address(int i) { return "127.0.0." + std::to_string(2 + i); }

private:
    // The shared lock, released once the thread has stopped.
    struct HeldLock {
        int fd = -1;
        ~HeldLock();
    };

    HeldLock mLock;
    std::atomic<int> mAccepted{0};
    std::atomic<int> mGoodbyes{0};
    std::atomic<bool> mDripping{true};
    ListeningThread mNet;  // last: its thread stops before the rest goes
};

}  // namespace smbtest
