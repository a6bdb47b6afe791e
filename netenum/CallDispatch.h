#pragma once
// Dispatching one call to the active provider: on this thread, or through the
// program's runner within the call's deadline; the checks every call makes
// before it, and its answer delivered in a packed buffer (or, where the
// provider says so, an empty buffer with a failure).
#include <algorithm>
#include <memory>
#include <type_traits>
#include <utility>

#include "CallControl.h"
#include "MessageTarget.h"
#include "PackRecords.h"
#include "Provider.h"

namespace netapi {

std::shared_ptr<Provider>& ProviderSlot();
// The runner SetCallRunner installed, or null.
CallRunner* Runner();
// Whether the active provider hands out an (empty) buffer with a failure.
bool FailuresCarryBuffer();

// An enumeration's answer handed to its caller: the records packed, the
// counts set, the resume handle ended with a whole list.
template <typename Record, typename Value>
NET_API_STATUS Deliver(const EnumResult<Value>& result, LPBYTE* bufptr, DWORD* entriesread,
                       DWORD* totalentries, DWORD* resume_handle) {
    *bufptr = nullptr;
    *entriesread = 0;
    *totalentries = 0;
    const bool ok = result.status == NERR_Success || result.status == ERROR_MORE_DATA;
    if (!ok) {
        if (FailuresCarryBuffer()) *bufptr = Allocate(0);
        return result.status;
    }
    std::uint8_t* buffer = Pack<Record>(result.records.data(), result.records.size());
    if (buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    *bufptr = buffer;
    *entriesread = static_cast<DWORD>(result.records.size());
    *totalentries = std::max<DWORD>(result.total, *entriesread);
    if (resume_handle != nullptr && result.status == NERR_Success) *resume_handle = 0;
    return result.status;
}

// The same for a call answering one record.
template <typename Record, typename Value>
NET_API_STATUS DeliverOne(NET_API_STATUS status, const Value& value, LPBYTE* bufptr) {
    *bufptr = nullptr;
    if (status != NERR_Success) {
        if (FailuresCarryBuffer()) *bufptr = Allocate(0);
        return status;
    }
    std::uint8_t* buffer = Pack<Record>(&value, 1);
    if (buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    *bufptr = buffer;
    return NERR_Success;
}

// A provider's status with the value it filled.
template <typename T>
struct Answer {
    NET_API_STATUS status = NERR_Success;
    T value{};
};

// Carries out one provider call: on this thread, or through the program's
// runner. The work owns copies of its arguments and of the provider, so that
// a call given up can finish on its own without touching the caller's frame.
template <typename R, typename F>
R Carry(bool changes, F work) {
    std::shared_ptr<Provider> provider = ProviderSlot();
    if (!provider) return FailedWith<R>(ERROR_NOT_SUPPORTED);
    struct Task {
        CallControl call;
        R result{};
    };
    auto task = std::make_shared<Task>();
    task->call.deadline = CallClock::now() + GetCallLimits().deadline;
    auto body = [task, provider, work = std::move(work)]() mutable {
        ScopedCall scope(&task->call);
        task->result = work(*provider);
        task->call.finished.store(true);
    };
    CallRunner* const runner = Runner();
    if (runner == nullptr) {
        // Carried out here, the call ends with the one this thread is part of.
        task->call.whole = CurrentCall();
        body();
        return std::move(task->result);
    }
    const CallRunner::Outcome outcome = runner->Run(task->call, body);
    netenum::DeliverQueuedLines();
    if (outcome == CallRunner::Outcome::Finished && task->call.finished.load())
        return std::move(task->result);
    task->call.abandoned.store(true);
    if (changes && task->call.requestSent.load()) return FailedWith<R>(VANTOR_RESULT_UNKNOWN);
    return FailedWith<R>(outcome == CallRunner::Outcome::Cancelled ? ERROR_CANCELLED
                                                               : ERROR_SEM_TIMEOUT);
}

// The checks every enumeration makes before its call (out-parameters, then
// the level), the call `work(provider)` and its answer packed into a buffer.
template <typename Record, typename Work>
NET_API_STATUS Enumerate(bool levelKnown, LPBYTE* bufptr, DWORD* entriesread, DWORD* totalentries,
                         DWORD* resume_handle, Work work) {
    if (bufptr == nullptr || entriesread == nullptr || totalentries == nullptr)
        return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    if (!levelKnown) return ERROR_INVALID_LEVEL;
    using Result = std::invoke_result_t<Work&, Provider&>;
    return Deliver<Record>(Carry<Result>(false, std::move(work)), bufptr, entriesread, totalentries,
                           resume_handle);
}

// The same for a call answering one record: `work(provider, value)` fills the
// value and gives the status.
template <typename Record, typename Value, typename Work>
NET_API_STATUS GetOne(bool levelKnown, LPBYTE* bufptr, Work work) {
    if (bufptr == nullptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    if (!levelKnown) return ERROR_INVALID_LEVEL;
    const auto answer = Carry<Answer<Value>>(false, [work = std::move(work)](Provider& p) {
        Answer<Value> a;
        a.status = work(p, a.value);
        return a;
    });
    return DeliverOne<Record>(answer.status, answer.value, bufptr);
}

}  // namespace netapi
