#include "SharePermissions.h"

#include <algorithm>

#include "netenum/ShareEdit.h"
#include "text/Text.h"

namespace shares {
namespace {

using netapi::Ace;
using netapi::ShareRight;

std::optional<ShareRight> RightOfLevel(Level level) {
    switch (level) {
        case Level::Read: return ShareRight::Read;
        case Level::Change: return ShareRight::Change;
        case Level::Full: return ShareRight::Full;
        case Level::None: break;
    }
    return std::nullopt;
}

bool IsDeny(const Ace& ace) { return ace.type == netapi::ACCESS_DENIED_ACE_TYPE; }

}  // namespace

Level LevelOf(ShareRight right) {
    switch (right) {
        case ShareRight::Full: return Level::Full;
        case ShareRight::Change: return Level::Change;
        case ShareRight::Read: return Level::Read;
        case ShareRight::Special: break;
    }
    return Level::None;
}

PermissionList::PermissionList(netapi::SecurityDescriptor base) : mBase(std::move(base)) {
    for (const Ace& ace : mBase.dacl) {
        if (!ace.IsAllowOrDeny()) continue;
        auto it = std::find_if(mAccounts.begin(), mAccounts.end(),
                               [&](const AccountPermission& a) { return a.sid == ace.sid; });
        if (it == mAccounts.end()) {
            mAccounts.push_back({ace.sid, ace.sid.ToString()});
            it = mAccounts.end() - 1;
        }
        const ShareRight right = ace.Right();
        Level& level = IsDeny(ace) ? it->deny : it->allow;
        if (right == ShareRight::Special)
            (IsDeny(ace) ? it->denySpecial : it->allowSpecial) = true;
        else
            level = std::max(level, LevelOf(right));
    }
}

void PermissionList::Name(const netapi::Sid& sid, const std::u16string& name) {
    for (auto& account : mAccounts)
        if (account.sid == sid && !name.empty()) account.name = name;
}

int PermissionList::Add(const netapi::Sid& sid, const std::u16string& name) {
    for (std::size_t i = 0; i < mAccounts.size(); ++i)
        if (mAccounts[i].sid == sid) return int(i);
    std::erase(mRemoved, sid);
    mAccounts.push_back({sid, name, Level::Read, Level::None, false, false, true});
    return int(mAccounts.size()) - 1;
}

void PermissionList::Remove(int index) {
    if (index < 0 || index >= int(mAccounts.size())) return;
    mRemoved.push_back(mAccounts[index].sid);
    mAccounts.erase(mAccounts.begin() + index);
}

void PermissionList::Set(int index, ShareRight right, bool deny, bool checked) {
    if (index < 0 || index >= int(mAccounts.size()) || right == ShareRight::Special) return;
    AccountPermission& account = mAccounts[index];
    Level& level = deny ? account.deny : account.allow;
    const int r = int(LevelOf(right));
    level = checked ? std::max(level, Level(r)) : std::min(level, Level(r - 1));
    account.touched = true;
}

bool PermissionList::Checked(const AccountPermission& account, ShareRight right, bool deny) {
    if (right == ShareRight::Special) return deny ? account.denySpecial : account.allowSpecial;
    return int(deny ? account.deny : account.allow) >= int(LevelOf(right));
}

std::optional<std::string> PermissionList::Contradiction() const {
    for (const auto& account : mAccounts) {
        if (!account.touched || account.allow == Level::None || account.deny == Level::None) continue;
        return "contradictory entries for \"" + text::ToUtf8(text::EscapeControls(account.name)) +
               "\": " +
               netapi::DescribeChange({netapi::PermissionChange::Kind::Grant, account.name,
                                       *RightOfLevel(account.allow), {}}) +
               " and " +
               netapi::DescribeChange({netapi::PermissionChange::Kind::Deny, account.name,
                                       *RightOfLevel(account.deny), {}});
    }
    return std::nullopt;
}

netapi::SecurityDescriptor PermissionList::Result() const {
    netapi::SecurityDescriptor sd = mBase;
    auto touched = [&](const netapi::Sid& sid) {
        return std::any_of(mAccounts.begin(), mAccounts.end(),
                           [&](const AccountPermission& a) { return a.touched && a.sid == sid; });
    };
    std::erase_if(sd.dacl, [&](const Ace& ace) {
        if (!ace.IsAllowOrDeny()) return false;
        if (std::find(mRemoved.begin(), mRemoved.end(), ace.sid) != mRemoved.end()) return true;
        return ace.Right() != ShareRight::Special && touched(ace.sid);
    });
    for (const auto& account : mAccounts) {
        if (!account.touched) continue;
        if (const auto right = RightOfLevel(account.deny)) {
            // Denials stand before the grants, as the platform orders them.
            const auto at = std::find_if(sd.dacl.begin(), sd.dacl.end(),
                                         [](const Ace& ace) { return !IsDeny(ace); });
            sd.dacl.insert(at, Ace::Deny(account.sid, netapi::MaskOfRight(*right)));
        }
        if (const auto right = RightOfLevel(account.allow))
            sd.dacl.push_back(Ace::Allow(account.sid, netapi::MaskOfRight(*right)));
    }
    if (sd.dacl != mBase.dacl) {
        sd.daclPresent = true;
        sd.nullDacl = false;
    }
    return sd;
}

bool PermissionList::Changed() const { return Result() != mBase; }

}  // namespace shares
