#pragma once
// How one network call is bounded and carried out. Every netapi function that
// reaches a provider is one call: it has an overall deadline, the thread that
// carries it out can see whether anyone still waits for it, and the program
// may choose who carries it out (the calling thread by default; the window
// program hands calls to a worker so that its windows keep painting).
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <type_traits>

#include "NetTypes.h"

namespace netapi {

using CallClock = std::chrono::steady_clock;

// Published codes for a call that ended without an answer.
constexpr NET_API_STATUS ERROR_SEM_TIMEOUT = 121;  // the call ran past its deadline
constexpr NET_API_STATUS ERROR_CANCELLED = 1223;   // the person gave up waiting
// A change request that left for the server before the wait was given up: it
// may or may not have happened. Bit 29 marks a code as the program's own.
constexpr NET_API_STATUS VANTOR_RESULT_UNKNOWN = 0x20000001u;

struct CallLimits {
    std::chrono::milliseconds deadline{10'000};     // a whole call, however many round trips
    std::chrono::milliseconds backoffFirst{30'000};  // a computer that just failed is left alone
    std::chrono::milliseconds backoffMax{300'000};   // ... doubling while it stays dead
};
void SetCallLimits(const CallLimits& limits);
CallLimits GetCallLimits();

// One call in flight, shared by the thread that carries it out and the one
// that waits for it.
struct CallControl {
    CallClock::time_point deadline = CallClock::time_point::max();
    // Nobody waits for the answer any more: stop at the next chance.
    std::atomic<bool> abandoned{false};
    // A request may have reached the server (it is not repeated, and a change
    // given up after this has an unknown result).
    std::atomic<bool> requestSent{false};
    std::atomic<bool> finished{false};
    // A part of a call with a shorter deadline of its own ends with the call too.
    const CallControl* whole = nullptr;

    std::chrono::milliseconds Remaining() const;
    bool Over() const {
        return abandoned.load() || CallClock::now() >= deadline || (whole != nullptr && whole->Over());
    }
    // Given up by the person, here or in the call this is part of.
    bool GivenUp() const { return abandoned.load() || (whole != nullptr && whole->GivenUp()); }
};

// The call this thread is carrying out; null outside a netapi call.
CallControl* CurrentCall();
class ScopedCall {
public:
    explicit ScopedCall(CallControl* call);
    ~ScopedCall();
    ScopedCall(const ScopedCall&) = delete;
    ScopedCall& operator=(const ScopedCall&) = delete;

private:
    CallControl* mPrevious;
};

// A call's answer that carries only a failure: the status itself, or a
// result with that status and nothing else.
template <typename R>
R FailedWith(NET_API_STATUS status) {
    if constexpr (std::is_same_v<R, NET_API_STATUS>) {
        return status;
    } else {
        R r{};
        r.status = status;
        return r;
    }
}

// The call this thread is carrying out; when there is none (a provider used
// directly), one of its own with the usual deadline for as long as this lives.
class BoundedCall {
public:
    BoundedCall();
    BoundedCall(const BoundedCall&) = delete;
    BoundedCall& operator=(const BoundedCall&) = delete;
    const CallControl& Control() const { return *CurrentCall(); }

private:
    CallControl mOwn;
    std::optional<ScopedCall> mScope;
};

// Carries out calls for the program. Run returns when `work` has finished
// (call.finished) or when the wait was given up; `work` must then be left to
// finish on its own, it owns everything it touches.
class CallRunner {
public:
    enum class Outcome { Finished, Cancelled, TimedOut };
    virtual ~CallRunner() = default;
    virtual Outcome Run(CallControl& call, std::function<void()> work) = 0;
    // Runs `ask` where a person can answer it, while the call that needs the
    // answer waits; the time the person takes is not counted against the
    // call's deadline. By default right here.
    virtual void Interact(const std::function<void()>& ask) { ask(); }
};
// Null (the default) carries every call out on the calling thread.
void SetCallRunner(CallRunner* runner);

// While this lives, calls made on this thread are carried out on it, runner
// or not, and end with the call that is current here (a worker of a search
// that asks many computers at once and owns its deadline and its Stop).
class ScopedDirectCalls {
public:
    ScopedDirectCalls();
    ~ScopedDirectCalls();
    ScopedDirectCalls(const ScopedDirectCalls&) = delete;
    ScopedDirectCalls& operator=(const ScopedDirectCalls&) = delete;

private:
    bool mPrevious;
};

// For a provider that must ask the person in the middle of a call (a log-on).
void Interact(const std::function<void()>& ask);

// A person asked again: the next call to that computer (or to every computer)
// goes to the network even while it is remembered as dead.
void RetryComputer(LPCWSTR servername);
void RetryAllComputers();

}  // namespace netapi
