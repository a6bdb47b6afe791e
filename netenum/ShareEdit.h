#pragma once
// A share's settings read, edited and written back, the way the Properties
// dialog and "vantor --share set" change a share: what the administrator
// asks is compared with what the server holds, and only what differs is
// written. Permissions go back as the whole descriptor, in one call.
//
//     netapi::ShareState state;
//     status = netapi::ReadShareState(u"FS1", u"Data", state, &why);
//     netapi::ShareUpdate update;
//     update.descriptor = netapi::ApplyPermissionChanges(netapi::EffectiveDescriptor(state), changes);
//     const auto done = netapi::WriteShareUpdate(u"FS1", u"Data", state, update);
#include <optional>
#include <string>
#include <vector>

#include "Provider.h"
#include "SecurityDescriptor.h"

namespace netapi {

// The largest user limit accepted; "unlimited" is SHI_USES_UNLIMITED.
constexpr DWORD kMaxUserLimit = 16777216;

// One line of a permission edit. Grant and Deny make the account's share
// permission exactly that entry; Revoke takes every entry of the account away.
struct PermissionChange {
    enum class Kind { Grant, Deny, Revoke };
    Kind kind = Kind::Grant;
    std::u16string account;               // as the administrator typed it
    ShareRight right = ShareRight::Read;  // Full, Change or Read; unused for Revoke
    Sid sid;                              // the account's, once looked up
};

// "grant full", "deny read", "revoke".
std::string DescribeChange(const PermissionChange& change);

// Two changes for one account that are not the same change: a sentence
// naming the account and both, or nullopt. By typed name (ignoring case),
// or, once looked up, by SID (two names of one account).
std::optional<std::string> ContradictionIn(const std::vector<PermissionChange>& changes,
                                           bool bySid);

// What a share holds now: level 2 (remark, user limit, path, users) and the
// descriptor of level 502, nullopt when the server keeps none.
struct ShareState {
    ShareDetails details;
    std::optional<SecurityDescriptor> descriptor;
};

// 0, or the failing call's status; a descriptor the server sent malformed is
// ERROR_INVALID_SECURITY_DESCR with `why` saying what was wrong.
NET_API_STATUS ReadShareState(LPCWSTR server, LPCWSTR name, ShareState& out, std::string* why = nullptr);

// The descriptor a share's access follows: no descriptor, or one without a
// list, lets everyone do everything, which is written out here as Everyone:
// Full Control so that it can be edited.
SecurityDescriptor EffectiveDescriptor(const ShareState& state);

// `base` with the changes made: an account's Full/Change/Read entries (allow
// and deny) give way to its new entry; entries that map to no share right
// ("Special") stay, except on Revoke. Deny entries are kept before allow
// entries, as the platform orders them.
SecurityDescriptor ApplyPermissionChanges(SecurityDescriptor base,
                                          const std::vector<PermissionChange>& changes);

// Whether `after` leaves no account with Full Control where `before` had one.
bool RemovesLastFullControl(const SecurityDescriptor& before, const SecurityDescriptor& after);

struct ShareUpdate {
    std::optional<std::u16string> remark;
    std::optional<DWORD> maxUses;
    std::optional<SecurityDescriptor> descriptor;
};

struct UpdateOutcome {
    NET_API_STATUS status = 0;
    // What was written, in order ("description", "user limit", "permissions").
    std::vector<std::string> changed;
    // The part whose write failed, when one did; later parts are not tried.
    std::string failed;
};

// Writes the parts of `update` that differ from `current`, nothing when
// none does. The remark alone goes as level 1004, the user limit as 1006
// (level 2 where the server refuses 1006, as Samba does), both together as
// level 2; the descriptor as one level 1501 with owner, group and SACL as
// they were.
UpdateOutcome WriteShareUpdate(LPCWSTR server, LPCWSTR name, const ShareState& current,
                               const ShareUpdate& update);

}  // namespace netapi
