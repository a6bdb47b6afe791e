#pragma once
// The per-call plumbing of SmbProvider, the two wrappers every call runs in:
// bounded by the call's deadline, one call per server at a time, dead
// computers not asked again (Guarded), and a refused logon answered by asking
// for another account (LoggedOn). SmbProviderCalls.cpp holds the calls.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "ServerBindings.h"
#include "SmbProvider.h"
#include "logon/CredentialLookup.h"
#include "netenum/CallControl.h"

namespace smb {

using netapi::DWORD;
using netapi::NERR_Success;
using netapi::NET_API_STATUS;
using netapi::OptString;

inline netapi::NET_API_STATUS StatusOf(netapi::NET_API_STATUS status) { return status; }
template <typename R>
netapi::NET_API_STATUS StatusOf(const netapi::EnumResult<R>& result) {
    return result.status;
}

template <typename R, typename F>
R SmbProvider::Guarded(const netapi::OptString& server, F call) {
    // Called outside netapi (tests, the computer list's helpers): still bounded.
    const netapi::BoundedCall bounded;
    const netapi::CallControl& control = bounded.Control();
    const std::string key = Key(server);
    if (const auto code = mDead.Blocked(key, netapi::CallClock::now())) return netapi::FailedWith<R>(*code);
    // Held for the whole call: a new log-on may drop the server's bindings
    // meanwhile, and a call given up may still be running on them.
    const std::shared_ptr<Server> s = For(server);
    std::unique_lock<std::timed_mutex> turn(s->busy, std::defer_lock);
    const bool mine = control.deadline == netapi::CallClock::time_point::max()
                          ? (turn.lock(), true)
                          : turn.try_lock_until(control.deadline);
    if (!mine) return netapi::FailedWith<R>(netapi::ERROR_SEM_TIMEOUT);
    if (control.Over()) return netapi::FailedWith<R>(netapi::ERROR_SEM_TIMEOUT);
    R result = call(*s);
    mDead.Record(key, StatusOf(result), netapi::CallClock::now());
    if (StatusOf(result) == netapi::NERR_Success || StatusOf(result) == netapi::ERROR_MORE_DATA)
        s->answered = true;
    return result;
}

template <typename R, typename F>
R SmbProvider::LoggedOn(const netapi::OptString& server, F call) {
    R result = Guarded<R>(server, call);
    netapi::NET_API_STATUS status = StatusOf(result);
    NoteLogon(server, status);
    if (!logon::IsLogonRefusal(status)) return result;
    const auto lookup = logon::CurrentLookup();
    if (!lookup) return result;
    const std::string host = HostFor(server);
    // An account the server already answered was refused one operation: a
    // right it lacks, which logging on again would not give it.
    if (status == netapi::ERROR_ACCESS_DENIED && AccountAnswered(server, host)) {
        netapi::Interact([&] { lookup->LacksRight(host, status); });
        return result;
    }
    // The prompt runs an event loop: a timer's call that fails meanwhile
    // keeps its failure instead of opening a second prompt.
    if (mAsking.exchange(true)) return result;
    struct Done {
        std::atomic<bool>& flag;
        ~Done() { flag = false; }
    } done{mAsking};
    for (int attempt = 0; attempt < kMaxLogonAsks; ++attempt) {
        std::optional<logon::Account> account;
        // Where the person can be asked; the time they take is not the call's.
        netapi::Interact([&] { account = lookup->Ask(host, status, attempt); });
        if (!account) break;
        UseAccount(server, host, *account);
        result = Guarded<R>(server, call);
        status = StatusOf(result);
        NoteLogon(server, status);
        if (status == netapi::NERR_Success || status == netapi::ERROR_MORE_DATA) {
            netapi::Interact([&] { lookup->Accepted(host, *account); });
            break;
        }
        // Only a wrong password is worth asking again; an account without the
        // rights for this call stays without them.
        if (status != netapi::ERROR_LOGON_FAILURE) break;
    }
    return result;
}

}  // namespace smb
