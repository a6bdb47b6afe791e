#include "ShareEdit.h"

#include <algorithm>

#include "netapi.h"
#include "text/Text.h"

namespace netapi {
namespace {

bool SameAccount(const PermissionChange& a, const PermissionChange& b, bool bySid) {
    return bySid ? a.sid == b.sid : text::EqualsIgnoreCase(a.account, b.account);
}

bool SameChange(const PermissionChange& a, const PermissionChange& b) {
    return a.kind == b.kind && (a.kind == PermissionChange::Kind::Revoke || a.right == b.right);
}

bool IsMappedEntryOf(const Ace& ace, const Sid& sid) {
    return ace.IsAllowOrDeny() && ace.sid == sid && ace.Right() != ShareRight::Special;
}

bool GrantsFull(const Ace& ace) {
    return ace.type == ACCESS_ALLOWED_ACE_TYPE && ace.Right() == ShareRight::Full;
}

std::u16string Text16(const OptString& s) { return s.value_or(std::u16string()); }

}  // namespace

std::string DescribeChange(const PermissionChange& change) {
    switch (change.kind) {
        case PermissionChange::Kind::Grant: return std::string("grant ") + RightName(change.right);
        case PermissionChange::Kind::Deny: return std::string("deny ") + RightName(change.right);
        case PermissionChange::Kind::Revoke: break;
    }
    return "revoke";
}

std::optional<std::string> ContradictionIn(const std::vector<PermissionChange>& changes, bool bySid) {
    for (std::size_t i = 0; i < changes.size(); ++i) {
        for (std::size_t j = i + 1; j < changes.size(); ++j) {
            if (!SameAccount(changes[i], changes[j], bySid) || SameChange(changes[i], changes[j]))
                continue;
            std::string who = "\"" + text::ToUtf8(text::EscapeControls(changes[i].account)) + "\"";
            if (!text::EqualsIgnoreCase(changes[i].account, changes[j].account))
                who += " and \"" + text::ToUtf8(text::EscapeControls(changes[j].account)) +
                       "\" (one account)";
            return "contradictory entries for " + who + ": " + DescribeChange(changes[i]) + " and " +
                   DescribeChange(changes[j]);
        }
    }
    return std::nullopt;
}

NET_API_STATUS ReadShareState(LPCWSTR server, LPCWSTR name, ShareState& out, std::string* why) {
    out = {};
    LPBYTE buffer = nullptr;
    // Level 2 for the user limit: Samba answers level 502 with "unlimited" whatever it is.
    NET_API_STATUS status = NetShareGetInfo(server, name, 2, &buffer);
    if (status == NERR_Success) {
        const auto* r = reinterpret_cast<const SHARE_INFO_2*>(buffer);
        auto str = [](LPCWSTR s) { return s != nullptr ? OptString(s) : std::nullopt; };
        out.details.netname = str(r->shi2_netname);
        out.details.type = r->shi2_type;
        out.details.remark = str(r->shi2_remark);
        out.details.permissions = r->shi2_permissions;
        out.details.max_uses = r->shi2_max_uses;
        out.details.current_uses = r->shi2_current_uses;
        out.details.path = str(r->shi2_path);
    }
    NetApiBufferFree(buffer);
    if (status != NERR_Success) return status;

    buffer = nullptr;
    status = NetShareGetInfo(server, name, 502, &buffer);
    if (status == NERR_Success) {
        const auto* r = reinterpret_cast<const SHARE_INFO_502*>(buffer);
        const auto* bytes = static_cast<const std::uint8_t*>(r->shi502_security_descriptor);
        if (bytes != nullptr) {
            std::string problem;
            out.descriptor = ParseSecurityDescriptor({bytes, SelfRelativeLength(bytes)}, &problem);
            if (!out.descriptor) {
                status = ERROR_INVALID_SECURITY_DESCR;
                if (why != nullptr) *why = problem;
            }
        }
    }
    NetApiBufferFree(buffer);
    return status;
}

SecurityDescriptor EffectiveDescriptor(const ShareState& state) {
    SecurityDescriptor sd = state.descriptor.value_or(SecurityDescriptor{});
    if (!state.descriptor || !sd.daclPresent || sd.nullDacl) {
        sd.daclPresent = true;
        sd.nullDacl = false;
        sd.dacl = {Ace::Allow(EveryoneSid(), SHARE_ACCESS_FULL)};
    }
    return sd;
}

SecurityDescriptor ApplyPermissionChanges(SecurityDescriptor base,
                                          const std::vector<PermissionChange>& changes) {
    base.daclPresent = true;
    base.nullDacl = false;
    for (const auto& change : changes) {
        auto& dacl = base.dacl;
        if (change.kind == PermissionChange::Kind::Revoke) {
            std::erase_if(dacl, [&](const Ace& a) { return a.IsAllowOrDeny() && a.sid == change.sid; });
            continue;
        }
        std::erase_if(dacl, [&](const Ace& a) { return IsMappedEntryOf(a, change.sid); });
        const std::uint32_t mask = MaskOfRight(change.right);
        if (change.kind == PermissionChange::Kind::Grant) {
            dacl.push_back(Ace::Allow(change.sid, mask));
        } else {
            // After the last deny entry that leads the list.
            auto at = std::find_if(dacl.begin(), dacl.end(),
                                   [](const Ace& a) { return a.type != ACCESS_DENIED_ACE_TYPE; });
            dacl.insert(at, Ace::Deny(change.sid, mask));
        }
    }
    return base;
}

bool RemovesLastFullControl(const SecurityDescriptor& before, const SecurityDescriptor& after) {
    const bool had = !before.daclPresent || before.nullDacl ||
                     std::any_of(before.dacl.begin(), before.dacl.end(), GrantsFull);
    const bool has = !after.daclPresent || after.nullDacl ||
                     std::any_of(after.dacl.begin(), after.dacl.end(), GrantsFull);
    return had && !has;
}

UpdateOutcome WriteShareUpdate(LPCWSTR server, LPCWSTR name, const ShareState& current,
                               const ShareUpdate& update) {
    UpdateOutcome outcome;
    const bool remark = update.remark && *update.remark != Text16(current.details.remark);
    const bool limit = update.maxUses && *update.maxUses != current.details.max_uses;
    DWORD parm = 0;
    auto fail = [&](NET_API_STATUS status, std::string part) {
        outcome.status = status;
        outcome.failed = std::move(part);
        return outcome;
    };
    // Both at once, or the user limit where 1006 is refused: level 2, with
    // the share's own path and type as the server gave them.
    auto writeLevel2 = [&] {
        std::u16string newRemark = remark ? *update.remark : Text16(current.details.remark);
        std::u16string path = Text16(current.details.path);
        std::u16string netname(name);
        SHARE_INFO_2 info{};
        info.shi2_netname = netname.data();
        info.shi2_type = current.details.type;
        info.shi2_remark = newRemark.data();
        info.shi2_max_uses = limit ? *update.maxUses : current.details.max_uses;
        info.shi2_path = path.data();
        return NetShareSetInfo(server, name, 2, reinterpret_cast<LPBYTE>(&info), &parm);
    };
    if (remark && limit) {
        if (const auto status = writeLevel2(); status != NERR_Success)
            return fail(status, "description and user limit");
    } else if (remark) {
        std::u16string text = *update.remark;
        SHARE_INFO_1004 info{text.data()};
        if (const auto status = NetShareSetInfo(server, name, 1004, reinterpret_cast<LPBYTE>(&info), &parm);
            status != NERR_Success)
            return fail(status, "description");
    } else if (limit) {
        SHARE_INFO_1006 info{*update.maxUses};
        NET_API_STATUS status = NetShareSetInfo(server, name, 1006, reinterpret_cast<LPBYTE>(&info), &parm);
        if (status == ERROR_ACCESS_DENIED || status == ERROR_INVALID_LEVEL) status = writeLevel2();
        if (status != NERR_Success) return fail(status, "user limit");
    }
    if (remark) outcome.changed.push_back("description");
    if (limit) outcome.changed.push_back("user limit");

    if (update.descriptor && *update.descriptor != EffectiveDescriptor(current)) {
        std::vector<std::uint8_t> bytes = BuildSecurityDescriptor(*update.descriptor);
        if (bytes.empty()) return fail(ERROR_INVALID_SECURITY_DESCR, "permissions");
        SHARE_INFO_1501 info{0, bytes.data()};
        if (const auto status = NetShareSetInfo(server, name, 1501, reinterpret_cast<LPBYTE>(&info), &parm);
            status != NERR_Success)
            return fail(status, "permissions");
        outcome.changed.push_back("permissions");
    }
    return outcome;
}

}  // namespace netapi
