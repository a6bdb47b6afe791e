// One simulated computer's share management and account names.
#include <algorithm>

#include "ComputerModel.h"
#include "netenum/ShareNames.h"
#include "text/Text.h"

namespace sim {

using netapi::NET_API_STATUS;

namespace {

// The account a SID stands for among the well-known ones.
struct WellKnown {
    const char16_t* domain;
    const char16_t* name;
    netapi::Sid sid;
    netapi::SidUse use;
};

const std::vector<WellKnown>& WellKnownAccounts() {
    static const std::vector<WellKnown> accounts = {
        {u"", u"Everyone", netapi::EveryoneSid(), netapi::SidUse::WellKnownGroup},
        {u"NT AUTHORITY", u"Authenticated Users", {5, {11}}, netapi::SidUse::WellKnownGroup},
        {u"NT AUTHORITY", u"SYSTEM", {5, {18}}, netapi::SidUse::WellKnownGroup},
        {u"BUILTIN", u"Administrators", netapi::AdministratorsSid(), netapi::SidUse::Alias},
        {u"BUILTIN", u"Users", {5, {32, 545}}, netapi::SidUse::Alias},
        {u"BUILTIN", u"Guests", {5, {32, 546}}, netapi::SidUse::Alias},
    };
    return accounts;
}

// The computer's own domain SID, the same on every run: S-1-5-21 and three
// numbers from its name.
netapi::Sid MachineSid(std::u16string_view computer) {
    std::uint64_t h = 1469598103934665603ull;
    for (const char16_t c : text::ToLower(std::u16string(computer))) h = (h ^ c) * 1099511628211ull;
    return {5, {21, static_cast<std::uint32_t>(h), static_cast<std::uint32_t>(h >> 32),
                static_cast<std::uint32_t>(h * 31 + 7)}};
}

std::vector<std::uint8_t> EveryoneFull() {
    netapi::SecurityDescriptor sd;
    sd.dacl.push_back(netapi::Ace::Allow(netapi::EveryoneSid(), netapi::SHARE_ACCESS_FULL));
    return netapi::BuildSecurityDescriptor(sd);
}

}  // namespace

NET_API_STATUS ComputerModel::AddShare(const netapi::ShareDetails& share, DWORD& parm_err) {
    parm_err = 0;
    const std::u16string name = share.netname.value_or(u"");
    if (netapi::ShareNameProblem(name)) {
        parm_err = netapi::SHARE_NETNAME_PARMNUM;
        return netapi::ERROR_INVALID_NAME;
    }
    if (FindShare(name)) return netapi::NERR_DuplicateShare;
    const DWORD type = share.type & ~netapi::STYPE_SPECIAL;
    if (type == netapi::STYPE_DISKTREE) {
        if (!share.path || !netapi::IsAbsoluteServerPath(*share.path)) {
            parm_err = netapi::SHARE_PATH_PARMNUM;
            return netapi::NERR_UnknownDevDir;
        }
    }
    if (share.max_uses == 0) {
        parm_err = netapi::SHARE_MAX_USES_PARMNUM;
        return netapi::ERROR_INVALID_PARAMETER;
    }
    if (share.security_descriptor && !netapi::ParseSecurityDescriptor(*share.security_descriptor)) {
        parm_err = netapi::SHARE_FILE_SD_PARMNUM;
        return netapi::ERROR_INVALID_SECURITY_DESCR;
    }
    if (mShares.size() >= 65535) return netapi::ERROR_NOT_ENOUGH_MEMORY;
    Share s;
    s.name = name;
    s.type = share.type;
    s.remark = share.remark;
    s.path = share.path;
    s.max_uses = share.max_uses;
    s.permissions = share.permissions;
    s.security_descriptor = share.security_descriptor;
    mShares.push_back(std::move(s));
    return netapi::NERR_Success;
}

NET_API_STATUS ComputerModel::DeleteShare(std::u16string_view name) {
    const auto found = FindShare(name);
    if (!found) return netapi::NERR_NetNameNotFound;
    const std::size_t gone = *found;
    // Users of the share are cut off, as a server does when sharing stops.
    std::erase_if(mConnections, [&](const ConnectionRec& k) { return k.share == gone; });
    for (auto it = mFiles.begin(); it != mFiles.end();) {
        const auto next = std::next(it);
        if (it->second.share == gone) RemoveFile(it);
        it = next;
    }
    for (ConnectionRec& k : mConnections)
        if (k.share > gone) --k.share;
    for (auto& [seq, f] : mFiles)
        if (f.share != kNoShare && f.share > gone) --f.share;
    mShares.erase(mShares.begin() + static_cast<std::ptrdiff_t>(gone));
    return netapi::NERR_Success;
}

NET_API_STATUS ComputerModel::GetShare(std::u16string_view name, netapi::ShareDetails& out) const {
    const auto found = FindShare(name);
    if (!found) return netapi::NERR_NetNameNotFound;
    const Share& s = mShares[*found];
    DWORD uses = 0;
    for (const ConnectionRec& k : mConnections) uses += k.share == *found ? 1 : 0;
    out = {};
    out.netname = s.name;
    out.type = s.type;
    out.remark = s.remark;
    out.permissions = s.permissions;
    out.max_uses = s.max_uses;
    out.current_uses = uses;
    out.path = s.path;
    out.passwd = s.password;
    out.flags = s.flags;
    out.security_descriptor = s.security_descriptor ? *s.security_descriptor : EveryoneFull();
    return netapi::NERR_Success;
}

NET_API_STATUS ComputerModel::SetShare(std::u16string_view name, DWORD level,
                                       const netapi::ShareDetails& share, DWORD& parm_err) {
    parm_err = 0;
    const auto found = FindShare(name);
    if (!found) return netapi::NERR_NetNameNotFound;
    Share& s = mShares[*found];
    switch (level) {
    case 2:
        // Remark and user limit; the path stays (a share is not moved).
        if (share.max_uses == 0) {
            parm_err = netapi::SHARE_MAX_USES_PARMNUM;
            return netapi::ERROR_INVALID_PARAMETER;
        }
        s.remark = share.remark;
        s.max_uses = share.max_uses;
        return netapi::NERR_Success;
    case 1004:
        s.remark = share.remark;
        return netapi::NERR_Success;
    case 1005:
        s.flags = share.flags;
        return netapi::NERR_Success;
    case 1006:
        if (share.max_uses == 0) {
            parm_err = netapi::SHARE_MAX_USES_PARMNUM;
            return netapi::ERROR_INVALID_PARAMETER;
        }
        s.max_uses = share.max_uses;
        return netapi::NERR_Success;
    case 1501:
        if (!share.security_descriptor || !netapi::ParseSecurityDescriptor(*share.security_descriptor)) {
            parm_err = netapi::SHARE_FILE_SD_PARMNUM;
            return netapi::ERROR_INVALID_SECURITY_DESCR;
        }
        s.security_descriptor = share.security_descriptor;
        return netapi::NERR_Success;
    default:
        return netapi::ERROR_INVALID_LEVEL;
    }
}

netapi::AccountLookup ComputerModel::LookupName(std::u16string_view asked) const {
    netapi::AccountLookup out;
    std::u16string_view domain, name = asked;
    if (const auto slash = asked.find(u'\\'); slash != std::u16string_view::npos) {
        domain = asked.substr(0, slash);
        name = asked.substr(slash + 1);
    }
    for (const WellKnown& w : WellKnownAccounts()) {
        if (!text::EqualsIgnoreCase(name, w.name)) continue;
        if (!domain.empty() && !text::EqualsIgnoreCase(domain, w.domain)) continue;
        return {w.sid, w.domain, w.name, w.use, true};
    }
    if (!domain.empty() && !text::EqualsIgnoreCase(domain, mName)) return out;
    for (std::size_t i = 0; i < mAccounts.size(); ++i) {
        const auto& account = mAccounts[i];
        if (!account.name || !text::EqualsIgnoreCase(*account.name, name)) continue;
        netapi::Sid sid = MachineSid(mName);
        sid.subs.push_back(account.user_id != 0 ? account.user_id : 1000 + static_cast<DWORD>(i));
        return {sid, mName, *account.name, netapi::SidUse::User, true};
    }
    return out;
}

netapi::AccountLookup ComputerModel::LookupSid(const netapi::Sid& sid) const {
    netapi::AccountLookup out;
    out.sid = sid;
    for (const WellKnown& w : WellKnownAccounts())
        if (w.sid == sid) return {w.sid, w.domain, w.name, w.use, true};
    const netapi::Sid machine = MachineSid(mName);
    if (sid.subs.size() != machine.subs.size() + 1 ||
        !std::equal(machine.subs.begin(), machine.subs.end(), sid.subs.begin()) ||
        sid.authority != machine.authority)
        return out;
    for (std::size_t i = 0; i < mAccounts.size(); ++i) {
        const auto& account = mAccounts[i];
        const DWORD rid = account.user_id != 0 ? account.user_id : 1000 + static_cast<DWORD>(i);
        if (rid == sid.subs.back() && account.name)
            return {sid, mName, *account.name, netapi::SidUse::User, true};
    }
    return out;
}

}  // namespace sim
