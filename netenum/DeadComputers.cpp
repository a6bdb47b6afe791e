#include "DeadComputers.h"

#include <algorithm>

namespace netapi {

bool MeansUnreachable(NET_API_STATUS status) {
    return status == ERROR_BAD_NETPATH || status == ERROR_SEM_TIMEOUT ||
           status == WSAHOST_NOT_FOUND;
}

std::optional<NET_API_STATUS> DeadComputers::Blocked(const std::string& computer,
                                                     CallClock::time_point now) const {
    std::lock_guard<std::mutex> guard(mLock);
    const auto it = mDead.find(computer);
    if (it == mDead.end() || now >= it->second.until) return std::nullopt;
    return it->second.status;
}

void DeadComputers::Record(const std::string& computer, NET_API_STATUS status,
                           CallClock::time_point now) {
    std::lock_guard<std::mutex> guard(mLock);
    if (!MeansUnreachable(status)) {
        mDead.erase(computer);
        return;
    }
    const CallLimits limits = GetCallLimits();
    Entry& e = mDead[computer];
    const CallClock::duration first = limits.backoffFirst;
    const CallClock::duration most = std::max<CallClock::duration>(limits.backoffMax, first);
    e.period = e.period == CallClock::duration::zero() ? first : std::min(e.period * 2, most);
    e.status = status;
    e.until = now + e.period;
}

void DeadComputers::Retry(const std::string& computer) {
    std::lock_guard<std::mutex> guard(mLock);
    if (const auto it = mDead.find(computer); it != mDead.end())
        it->second.until = CallClock::time_point::min();
}

void DeadComputers::RetryAll() {
    std::lock_guard<std::mutex> guard(mLock);
    for (auto& [name, e] : mDead) e.until = CallClock::time_point::min();
}

}  // namespace netapi
