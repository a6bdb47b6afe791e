#include "CallControl.h"

#include <algorithm>
#include <mutex>

namespace netapi {
namespace {

std::mutex gLimitsLock;
CallLimits gLimits;
thread_local CallControl* tCurrent = nullptr;

}  // namespace

void SetCallLimits(const CallLimits& limits) {
    std::lock_guard<std::mutex> guard(gLimitsLock);
    gLimits = limits;
}

CallLimits GetCallLimits() {
    std::lock_guard<std::mutex> guard(gLimitsLock);
    return gLimits;
}

std::chrono::milliseconds CallControl::Remaining() const {
    if (abandoned.load()) return std::chrono::milliseconds(0);
    const auto now = CallClock::now();
    std::chrono::milliseconds left = std::chrono::milliseconds::max();
    if (deadline != CallClock::time_point::max())
        left = now >= deadline ? std::chrono::milliseconds(0)
                               : std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    return whole != nullptr ? std::min(left, whole->Remaining()) : left;
}

CallControl* CurrentCall() { return tCurrent; }

ScopedCall::ScopedCall(CallControl* call) : mPrevious(tCurrent) { tCurrent = call; }
ScopedCall::~ScopedCall() { tCurrent = mPrevious; }

BoundedCall::BoundedCall() {
    if (tCurrent != nullptr) return;
    mOwn.deadline = CallClock::now() + GetCallLimits().deadline;
    mScope.emplace(&mOwn);
}

}  // namespace netapi
