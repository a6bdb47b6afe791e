#include "ComputerModel.h"

#include <algorithm>
#include <unordered_set>

#include "NameCompare.h"
#include "text/Text.h"

namespace sim {

using netapi::NET_API_STATUS;

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

}  // namespace

netapi::ServerInfo101 ComputerModel::Info() const {
    return {.platform_id = mPlatformId, .name = mName, .version_major = mVersionMajor,
            .version_minor = mVersionMinor, .type = mType, .comment = mComment};
}

const Fault* ComputerModel::FindFault(Call call, std::optional<DWORD> id,
                                      std::initializer_list<std::u16string_view> names) const {
    for (const Fault& f : mFaults) {
        if (f.call != call) continue;
        if (!f.ids.empty() && (!id || std::find(f.ids.begin(), f.ids.end(), *id) == f.ids.end()))
            continue;
        if (!f.names.empty()) {
            const bool hit = std::any_of(f.names.begin(), f.names.end(), [&](const auto& n) {
                return std::any_of(names.begin(), names.end(),
                                   [&](std::u16string_view given) { return text::EqualsIgnoreCase(n, given); });
            });
            if (!hit) continue;
        }
        return &f;
    }
    return nullptr;
}

std::optional<std::size_t> ComputerModel::FindShare(std::u16string_view name) const {
    for (std::size_t i = 0; i < mShares.size(); ++i)
        if (text::EqualsIgnoreCase(mShares[i].name, name)) return i;
    return std::nullopt;
}

// Named pipes live on IPC$; a file lives on the disk share with the longest
// path that contains it.
std::size_t ComputerModel::ShareOfPath(std::u16string_view path) const {
    const bool pipe = IsPipe(path);
    std::size_t best = kNoShare;
    std::size_t bestLength = 0;
    for (std::size_t i = 0; i < mShares.size(); ++i) {
        const DWORD type = mShares[i].type & ~netapi::STYPE_SPECIAL;
        if (pipe) {
            if (type == netapi::STYPE_IPC) return i;
            continue;
        }
        if (type != netapi::STYPE_DISKTREE || Empty(mShares[i].path)) continue;
        const std::u16string& root = *mShares[i].path;
        if (!StartsWithIgnoreCase(path, root) || root.size() <= bestLength) continue;
        if (root.back() != u'\\' && path.size() > root.size() && path[root.size()] != u'\\') continue;
        best = i;
        bestLength = root.size();
    }
    return best;
}

const ComputerModel::SessionRec* ComputerModel::FindSession(std::uint64_t key) const {
    // Keys are handed out in increasing order and removal keeps the order, so
    // the list stays sorted: a connection list of 10,000 looks each one up.
    const auto it = std::lower_bound(mSessions.begin(), mSessions.end(), key,
                                     [](const SessionRec& s, std::uint64_t k) { return s.key < k; });
    return it != mSessions.end() && it->key == key ? &*it : nullptr;
}

void ComputerModel::AddFile(FileRec file) {
    const std::uint64_t seq = mNextFileSeq++;
    mFileById.emplace(file.id, seq);
    mFiles.emplace_hint(mFiles.end(), seq, std::move(file));
}

void ComputerModel::RemoveFile(std::map<std::uint64_t, FileRec>::iterator it) {
    mFileById.erase(it->second.id);
    mFiles.erase(it);
}

void ComputerModel::EnsureConnection(std::uint64_t session, std::size_t share, DWORD time) {
    for (const ConnectionRec& k : mConnections)
        if (k.session == session && k.share == share) return;
    mConnections.push_back({session, share, mNextConnectionId++, time, 1});
}

std::vector<netapi::FileInfo3> ComputerModel::Files(const OptString& basepath,
                                                    const OptString& user) const {
    std::vector<netapi::FileInfo3> out;
    out.reserve(mFiles.size());
    for (const auto& [seq, f] : mFiles) {
        if (!Empty(basepath) && !StartsWithIgnoreCase(f.path, *basepath)) continue;
        if (!Empty(user) && !Matches(f.user, *user)) continue;
        out.push_back({f.id, f.permissions, f.locks, f.path, f.user});
    }
    return out;
}

NET_API_STATUS ComputerModel::FileById(DWORD id, netapi::FileInfo3& out) const {
    const auto it = mFileById.find(id);
    if (it == mFileById.end()) return netapi::NERR_FileIdNotFound;
    const auto& f = mFiles.at(it->second);
    out = {f.id, f.permissions, f.locks, f.path, f.user};
    return netapi::NERR_Success;
}

NET_API_STATUS ComputerModel::CloseFile(DWORD id) {
    const auto it = mFileById.find(id);
    if (it == mFileById.end()) return netapi::NERR_FileIdNotFound;
    RemoveFile(mFiles.find(it->second));
    return netapi::NERR_Success;
}

NET_API_STATUS ComputerModel::Sessions(const OptString& client, const OptString& user,
                                       std::vector<netapi::SessionInfo502>& out) const {
    std::unordered_map<std::uint64_t, DWORD> opens;
    for (const auto& [seq, f] : mFiles)
        if (f.session != 0) ++opens[f.session];
    bool clientSeen = false;
    for (const SessionRec& s : mSessions) {
        if (!Empty(client)) {
            if (!text::EqualsIgnoreCase(s.value.client, text::StripUnc(*client))) continue;
            clientSeen = true;
        }
        if (!Empty(user) && !Matches(s.value.user, *user)) continue;
        const auto n = opens.find(s.key);
        out.push_back({s.value.client, s.value.user, n == opens.end() ? 0 : n->second, s.value.time,
                       s.value.idle, s.value.flags, s.value.client_type, s.value.transport});
    }
    if (!Empty(client) && !clientSeen) return netapi::NERR_ClientNameNotFound;
    if (!Empty(user) && out.empty()) return netapi::NERR_UserNotFound;
    return netapi::NERR_Success;
}

NET_API_STATUS ComputerModel::DeleteSessions(const OptString& client, const OptString& user) {
    if (Empty(client) && Empty(user)) return netapi::ERROR_INVALID_PARAMETER;
    std::unordered_set<std::uint64_t> gone;
    for (const SessionRec& s : mSessions) {
        if (!Empty(client)) {
            // The client comes as "\\NAME"; anything else names no client.
            const std::u16string_view c = *client;
            if (c.size() < 2 || c[0] != u'\\' || c[1] != u'\\') continue;
            if (!text::EqualsIgnoreCase(s.value.client, c.substr(2))) continue;
        }
        if (!Empty(user) && !Matches(s.value.user, *user)) continue;
        gone.insert(s.key);
    }
    if (gone.empty()) return netapi::NERR_ClientNameNotFound;
    std::erase_if(mSessions, [&](const SessionRec& s) { return gone.count(s.key) != 0; });
    std::erase_if(mConnections, [&](const ConnectionRec& k) { return gone.count(k.session) != 0; });
    for (auto it = mFiles.begin(); it != mFiles.end();) {
        const auto next = std::next(it);
        if (gone.count(it->second.session) != 0) RemoveFile(it);
        it = next;
    }
    return netapi::NERR_Success;
}

std::vector<netapi::ShareInfo2> ComputerModel::Shares() const {
    std::vector<DWORD> uses(mShares.size(), 0);
    for (const ConnectionRec& k : mConnections) ++uses[k.share];
    std::vector<netapi::ShareInfo2> out;
    out.reserve(mShares.size());
    for (std::size_t i = 0; i < mShares.size(); ++i) {
        const Share& s = mShares[i];
        out.push_back({s.name, s.type, s.remark, s.permissions, s.max_uses, uses[i], s.path, s.password});
    }
    return out;
}

// A share name lists the connections to that share (net name: the client);
// "\\" + a computer lists that client's connections (net name: the share).
// A client with no session is unknown (2312); one whose sessions hold no
// connection gets an empty list.
NET_API_STATUS ComputerModel::Connections(const OptString& qualifier,
                                          std::vector<netapi::ConnectionInfo1>& out) const {
    if (Empty(qualifier)) return netapi::ERROR_INVALID_PARAMETER;
    const std::u16string_view q = *qualifier;
    const bool byClient = q.size() >= 2 && q[0] == u'\\' && q[1] == u'\\';
    std::optional<std::size_t> share;
    std::unordered_set<std::uint64_t> sessions;
    if (byClient) {
        for (const SessionRec& s : mSessions)
            if (text::EqualsIgnoreCase(s.value.client, q.substr(2))) sessions.insert(s.key);
        if (sessions.empty()) return netapi::NERR_ClientNameNotFound;
    } else {
        share = FindShare(q);
        if (!share) return netapi::NERR_NetNameNotFound;
    }
    std::map<std::pair<std::uint64_t, std::size_t>, DWORD> opens;
    for (const auto& [seq, f] : mFiles)
        if (f.session != 0 && f.share != kNoShare) ++opens[{f.session, f.share}];
    for (const ConnectionRec& k : mConnections) {
        if (byClient ? sessions.count(k.session) == 0 : k.share != *share) continue;
        const SessionRec* s = FindSession(k.session);
        const auto n = opens.find({k.session, k.share});
        netapi::ConnectionInfo1 r;
        r.id = k.id;
        r.type = mShares[k.share].type & ~netapi::STYPE_SPECIAL;
        r.num_opens = n == opens.end() ? 0 : n->second;
        r.num_users = k.num_users;
        r.time = k.time;
        r.username = s->value.user;
        r.netname = byClient ? mShares[k.share].name : s->value.client;
        out.push_back(std::move(r));
    }
    return netapi::NERR_Success;
}

NET_API_STATUS ComputerModel::GetUser(const OptString& name, netapi::UserInfo3& out) const {
    if (!name) return netapi::ERROR_INVALID_PARAMETER;
    for (const netapi::UserInfo3& a : mAccounts)
        if (Matches(a.name, *name)) {
            out = a;
            return netapi::NERR_Success;
        }
    return netapi::NERR_UserNotFound;
}

// The record is stored as given, every flag bit included; only the name stays,
// since level 3 cannot rename an account.
NET_API_STATUS ComputerModel::SetUser(const OptString& name, const netapi::UserInfo3& info) {
    if (!name) return netapi::ERROR_INVALID_PARAMETER;
    for (netapi::UserInfo3& a : mAccounts)
        if (Matches(a.name, *name)) {
            OptString keep = std::move(a.name);
            a = info;
            a.name = std::move(keep);
            return netapi::NERR_Success;
        }
    return netapi::NERR_UserNotFound;
}

bool ComputerModel::AcceptsMessagesFor(std::u16string_view name) const {
    return std::any_of(mMessengerNames.begin(), mMessengerNames.end(),
                       [&](const std::u16string& n) { return text::EqualsIgnoreCase(n, name); });
}

netapi::TimeOfDay ComputerModel::TimeOfDay(std::chrono::system_clock::time_point now) const {
    using namespace std::chrono;
    constexpr std::int64_t kLastMs = 0xFFFFFFFFLL * 1000;
    std::int64_t ms = duration_cast<milliseconds>(now.time_since_epoch()).count() + mClockOffset * 1000;
    ms = std::clamp<std::int64_t>(ms, 0, kLastMs);
    const std::int64_t secs = ms / 1000;
    const std::int64_t days = secs / 86400;
    const std::int64_t rest = secs % 86400;
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, year, month, day);

    netapi::TimeOfDay t;
    t.elapsedt = static_cast<DWORD>(secs);
    t.msecs = static_cast<DWORD>(ms & 0xFFFFFFFF);
    t.hours = static_cast<DWORD>(rest / 3600);
    t.mins = static_cast<DWORD>(rest % 3600 / 60);
    t.secs = static_cast<DWORD>(rest % 60);
    t.hunds = static_cast<DWORD>(ms % 1000 / 10);
    t.timezone = mTimezone;
    t.tinterval = 310;
    t.day = day;
    t.month = month;
    t.year = static_cast<DWORD>(year);
    t.weekday = static_cast<DWORD>((days + 4) % 7);  // 1970-01-01 was a Thursday
    return t;
}

}  // namespace sim
