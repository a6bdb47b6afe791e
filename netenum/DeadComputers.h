#pragma once
// Computers that failed to answer lately. A call to one of them fails at once
// with the code it last failed with, without the network, until its back-off
// period has passed; the period starts at CallLimits::backoffFirst and doubles
// while the computer stays dead, up to backoffMax, and the first answer ends it.
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "CallControl.h"

namespace netapi {

// A failure that says the computer itself is out of reach (not that it refused).
bool MeansUnreachable(NET_API_STATUS status);

class DeadComputers final {
public:
    std::optional<NET_API_STATUS> Blocked(const std::string& computer,
                                          CallClock::time_point now) const;
    // The outcome of a call that went to the network.
    void Record(const std::string& computer, NET_API_STATUS status, CallClock::time_point now);
    // The next call goes to the network; a failure then keeps doubling the period.
    void Retry(const std::string& computer);
    void RetryAll();

private:
    struct Entry {
        NET_API_STATUS status = 0;
        CallClock::time_point until;
        CallClock::duration period{};
    };
    mutable std::mutex mLock;
    std::map<std::string, Entry> mDead;
};

}  // namespace netapi
