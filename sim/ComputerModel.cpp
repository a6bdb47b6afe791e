#include "ComputerModel.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "ScenarioError.h"
#include "text/Text.h"

namespace sim {

using netapi::NET_API_STATUS;

namespace {

constexpr std::int64_t kMaxClockOffset = 100LL * 366 * 24 * 3600;  // a century either way
constexpr netapi::LONG kMaxTimezone = 24 * 60;
constexpr DWORD kMaxDelayMs = 600000;                // ten minutes
constexpr DWORD kMaxPeriodMs = 24u * 3600u * 1000u;  // one day
constexpr std::uint64_t kMaxCatchUpSteps = 1000;     // per call; older steps are dropped
constexpr std::size_t kMaxShares = 65535;

std::string U8(std::u16string_view s) { return text::ToUtf8(s); }
std::string Quote(std::u16string_view s) { return "\"" + U8(s) + "\""; }
std::string Idx(const std::string& place, const char* list, std::size_t i) {
    return place + "/" + list + "/" + std::to_string(i);
}

bool StartsWithIgnoreCase(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && text::EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

bool IsPipe(std::u16string_view path) { return StartsWithIgnoreCase(path, u"\\PIPE\\"); }

bool Matches(const OptString& value, std::u16string_view wanted) {
    return value && text::EqualsIgnoreCase(*value, wanted);
}

bool Empty(const OptString& s) { return !s || s->empty(); }

// Lookup keys for sessions: letter case folded, a null user kept apart from "".
std::u16string UserKey(const OptString& user) {
    return user ? u"=" + text::ToLower(*user) : std::u16string(u"-");
}
std::u16string ClientUserKey(std::u16string_view client, const OptString& user) {
    return text::ToLower(client) + u'\n' + UserKey(user);
}

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

bool IsEnumeration(Call call) {
    switch (call) {
    case Call::NetFileEnum:
    case Call::NetSessionEnum:
    case Call::NetShareEnum:
    case Call::NetConnectionEnum:
    case Call::NetServerEnum:
        return true;
    default:
        return false;
    }
}

bool TakesNames(Call call) {
    switch (call) {
    case Call::NetSessionDel:
    case Call::NetConnectionEnum:
    case Call::NetUserGetInfo:
    case Call::NetUserSetInfo:
    case Call::NetMessageBufferSend:
        return true;
    default:
        return false;
    }
}

}  // namespace

void CheckFault(const Fault& fault, bool networkLevel, bool onLocal, const std::string& source,
                const std::string& place) {
    const std::string name = CallName(fault.call);
    if (networkLevel && fault.call != Call::NetServerEnum)
        throw ScenarioError(source, place + "/call",
                            name + " faults belong to a computer, not to the network");
    if (!networkLevel && fault.call == Call::NetServerEnum)
        throw ScenarioError(source, place + "/call",
                            "NetServerEnum faults belong to the network, not to a computer");
    if (fault.call == Call::GetComputerName && !onLocal)
        throw ScenarioError(source, place + "/call",
                            "GetComputerName faults belong to the local computer");
    switch (fault.kind) {
    case Fault::Kind::Status:
        if (fault.status == 0)
            throw ScenarioError(source, place + "/status", "a fault status cannot be 0");
        break;
    case Fault::Kind::Unreachable:
        if (fault.delay_ms > kMaxDelayMs)
            throw ScenarioError(source, place + "/unreachable/delay_ms",
                                "out of range: " + std::to_string(fault.delay_ms) +
                                    " is more than " + std::to_string(kMaxDelayMs));
        break;
    case Fault::Kind::Partial:
        if (!IsEnumeration(fault.call))
            throw ScenarioError(source, place + "/partial",
                                "a partial list applies only to enumerations, not to " + name);
        break;
    }
    if (!fault.ids.empty() && fault.call != Call::NetFileClose)
        throw ScenarioError(source, place + "/ids",
                            "file ids restrict only NetFileClose faults, not " + name);
    if (!fault.names.empty() && !TakesNames(fault.call))
        throw ScenarioError(source, place + "/names", name + " takes no name to restrict to");
}

ComputerModel::ComputerModel(Computer&& c, const std::string& source, const std::string& place)
    : mName(std::move(c.name)),
      mType(c.type),
      mPlatformId(c.platform_id),
      mVersionMajor(c.version_major),
      mVersionMinor(c.version_minor),
      mComment(std::move(c.comment)),
      mClockOffset(c.clock_offset),
      mTimezone(c.timezone),
      mLocal(c.local),
      mUnreachableDelay(c.unreachable_delay_ms),
      mShares(std::move(c.shares)),
      mAccounts(std::move(c.accounts)),
      mMessengerNames(std::move(c.messenger_names)),
      mFaults(std::move(c.faults)),
      mActivity(std::move(c.activity)) {
    CheckSettings(source, place);
    CheckShares(source, place);
    const SessionIndex sessions = AddSessions(c.sessions, source, place);
    AddFiles(c.files, sessions, source, place);
    AddConnections(c.connections, sessions, source, place);
    CheckAccounts(source, place);
    for (std::size_t i = 0; i < mFaults.size(); ++i)
        CheckFault(mFaults[i], false, mLocal, source, Idx(place, "faults", i));
    SetUpActivity(source, place);
}

void ComputerModel::CheckSettings(const std::string& source, const std::string& place) const {
    if (mName.empty()) throw ScenarioError(source, place + "/name", "a computer name cannot be empty");
    if (mName.find(u'\\') != std::u16string::npos)
        throw ScenarioError(source, place + "/name",
                            "a computer name cannot contain a backslash: " + Quote(mName));
    if (mClockOffset < -kMaxClockOffset || mClockOffset > kMaxClockOffset)
        throw ScenarioError(source, place + "/clock_offset",
                            "out of range: " + std::to_string(mClockOffset) +
                                " is not between -" + std::to_string(kMaxClockOffset) + " and " +
                                std::to_string(kMaxClockOffset));
    if (mTimezone < -kMaxTimezone || mTimezone > kMaxTimezone)
        throw ScenarioError(source, place + "/timezone",
                            "out of range: " + std::to_string(mTimezone) + " is not between -" +
                                std::to_string(kMaxTimezone) + " and " +
                                std::to_string(kMaxTimezone));
    if (mUnreachableDelay && *mUnreachableDelay > kMaxDelayMs)
        throw ScenarioError(source, place + "/unreachable/delay_ms",
                            "out of range: " + std::to_string(*mUnreachableDelay) +
                                " is more than " + std::to_string(kMaxDelayMs));
}

void ComputerModel::CheckShares(const std::string& source, const std::string& place) const {
    if (mShares.size() > kMaxShares)
        throw ScenarioError(source, place + "/shares", "more than 65535 shares");
    {
        std::unordered_map<std::u16string, std::size_t> seen;
        for (std::size_t i = 0; i < mShares.size(); ++i) {
            if (mShares[i].name.empty())
                throw ScenarioError(source, Idx(place, "shares", i) + "/name",
                                    "a share name cannot be empty");
            const auto [it, fresh] = seen.emplace(text::ToLower(mShares[i].name), i);
            if (!fresh)
                throw ScenarioError(source, Idx(place, "shares", i) + "/name",
                                    "duplicate share name " + Quote(mShares[i].name) +
                                        " (also at " + Idx(place, "shares", it->second) + ")");
        }
    }
}

// Sessions, and the indexes that attach files and connections to them.
ComputerModel::SessionIndex ComputerModel::AddSessions(std::vector<Session>& sessions,
                                                       const std::string& source,
                                                       const std::string& place) {
    SessionIndex index;
    std::uint64_t nextKey = 1;
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        Session& s = sessions[i];
        if (s.client.empty())
            throw ScenarioError(source, Idx(place, "sessions", i) + "/client",
                                "a session's client name cannot be empty");
        const std::uint64_t key = nextKey++;
        index.byClientUser.emplace(ClientUserKey(s.client, s.user), key);
        index.byClient.emplace(text::ToLower(s.client), key);
        index.byUser.emplace(UserKey(s.user), key);
        mSessions.push_back({key, std::move(s)});
    }
    return index;
}

std::uint64_t ComputerModel::SessionIndex::Of(const OptString& client, const OptString& user) const {
    if (client) {
        const auto& index = user ? byClientUser : byClient;
        const auto it = index.find(user ? ClientUserKey(*client, user) : text::ToLower(*client));
        return it == index.end() ? 0 : it->second;
    }
    if (!user) return 0;
    const auto it = byUser.find(UserKey(user));
    return it == byUser.end() ? 0 : it->second;
}

std::string ComputerModel::SessionIndex::None(const OptString& client, const OptString& user) {
    std::string what = "no session from client " + Quote(client.value_or(u""));
    if (user) what += " for user " + Quote(*user);
    return what;
}

void ComputerModel::AddFiles(std::vector<File>& files, const SessionIndex& sessions,
                             const std::string& source, const std::string& place) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        File& f = files[i];
        const std::string at = Idx(place, "files", i);
        if (f.path.empty()) throw ScenarioError(source, at + "/path", "a file path cannot be empty");
        if (f.client && f.client->empty())
            throw ScenarioError(source, at + "/client", "a client name cannot be empty");
        const std::uint64_t session = sessions.Of(f.client, f.user);
        if (f.client && session == 0)
            throw ScenarioError(source, at + "/client", SessionIndex::None(f.client, f.user));
        std::size_t share = kNoShare;
        if (f.share) {
            const auto found = FindShare(*f.share);
            if (!found) throw ScenarioError(source, at + "/share", "unknown share " + Quote(*f.share));
            share = *found;
        } else {
            share = ShareOfPath(f.path);
        }
        if (const auto dup = mFileById.find(f.id); dup != mFileById.end()) {
            std::size_t first = 0;
            for (std::size_t k = 0; k < i; ++k)
                if (files[k].id == f.id) {
                    first = k;
                    break;
                }
            throw ScenarioError(source, at + "/id",
                                "duplicate file id " + std::to_string(f.id) + " (also at " +
                                    Idx(place, "files", first) + "/id)");
        }
        AddFile({f.id, f.permissions, f.locks, std::move(f.path), std::move(f.user), session, share});
    }
}

void ComputerModel::AddConnections(const std::optional<std::vector<Connection>>& connections,
                                   const SessionIndex& sessions, const std::string& source,
                                   const std::string& place) {
    if (connections) {
        for (std::size_t i = 0; i < connections->size(); ++i) {
            const Connection& k = (*connections)[i];
            const std::string at = Idx(place, "connections", i);
            const std::uint64_t session = sessions.Of(k.client, k.user);
            if (session == 0) throw ScenarioError(source, at + "/client", SessionIndex::None(k.client, k.user));
            const auto share = FindShare(k.share);
            if (!share) throw ScenarioError(source, at + "/share", "unknown share " + Quote(k.share));
            const DWORD id = k.id.value_or(mNextConnectionId);
            mNextConnectionId = std::max(mNextConnectionId, id + 1);
            mConnections.push_back(
                {session, *share, id, k.time.value_or(FindSession(session)->value.time), k.num_users});
        }
    } else {
        // What a server would hold: every session on IPC$ (clients talk RPC
        // there first), and on each share where it has files open.
        std::unordered_set<std::uint64_t> used;
        for (const auto& [seq, f] : mFiles)
            if (f.session != 0 && f.share != kNoShare) used.insert(f.session * (kMaxShares + 1) + f.share);
        for (const SessionRec& s : mSessions)
            for (std::size_t share = 0; share < mShares.size(); ++share) {
                const bool ipc = (mShares[share].type & ~netapi::STYPE_SPECIAL) == netapi::STYPE_IPC;
                if (ipc || used.count(s.key * (kMaxShares + 1) + share) != 0)
                    mConnections.push_back({s.key, share, mNextConnectionId++, s.value.time, 1});
            }
    }
}

void ComputerModel::CheckAccounts(const std::string& source, const std::string& place) const {
    {
        std::unordered_map<std::u16string, std::size_t> seen;
        for (std::size_t i = 0; i < mAccounts.size(); ++i) {
            const std::string at = Idx(place, "accounts", i);
            if (Empty(mAccounts[i].name))
                throw ScenarioError(source, at + "/name", "an account name cannot be empty");
            if (mAccounts[i].logon_hours && mAccounts[i].logon_hours->size() != netapi::LOGON_HOURS_BYTES)
                throw ScenarioError(source, at + "/logon_hours", "logon hours must be 21 bytes");
            const auto [it, fresh] = seen.emplace(text::ToLower(*mAccounts[i].name), i);
            if (!fresh)
                throw ScenarioError(source, at + "/name",
                                    "duplicate account name " + Quote(*mAccounts[i].name) +
                                        " (also at " + Idx(place, "accounts", it->second) + ")");
        }
    }
}

void ComputerModel::SetUpActivity(const std::string& source, const std::string& place) {
    if (mActivity) {
        const std::string at = place + "/activity";
        if (mActivity->period_ms == 0 || mActivity->period_ms > kMaxPeriodMs)
            throw ScenarioError(source, at + "/period_ms",
                                "out of range: " + std::to_string(mActivity->period_ms) +
                                    " is not between 1 and " + std::to_string(kMaxPeriodMs));
        DWORD files = 0;
        for (const auto& [seq, f] : mFiles)
            if (!IsPipe(f.path)) ++files;
        mMinFiles = mActivity->min_files.value_or(files > 10 ? files - 10 : 0);
        mMaxFiles = mActivity->max_files.value_or(files + 10);
        if (mMinFiles > mMaxFiles)
            throw ScenarioError(source, at, "min_files is greater than max_files");
        mRandom = mActivity->seed;
        for (const auto& [seq, f] : mFiles) mNextFileId = std::max(mNextFileId, f.id + 1);
    }
}

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

void ComputerModel::StartActivityClock(std::chrono::system_clock::time_point now) {
    mEpoch = now;
    mStepsAtEpoch = mStepsApplied;
}

void ComputerModel::CatchUp(std::chrono::system_clock::time_point now) {
    if (!mActivity || now <= mEpoch) return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - mEpoch).count();
    const std::uint64_t due = mStepsAtEpoch + static_cast<std::uint64_t>(elapsed) / mActivity->period_ms;
    if (due <= mStepsApplied) return;
    if (due - mStepsApplied > kMaxCatchUpSteps) mStepsApplied = due - kMaxCatchUpSteps;
    while (mStepsApplied < due) {
        Step();
        ++mStepsApplied;
    }
}

// splitmix64: the same numbers from the same seed on every platform.
std::uint64_t ComputerModel::NextRandom() {
    std::uint64_t z = (mRandom += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// One step closes a file, opens one, or both, keeping the number of open
// files (pipes aside) between min_files and max_files.
void ComputerModel::Step() {
    std::vector<std::map<std::uint64_t, FileRec>::iterator> closable;
    for (auto it = mFiles.begin(); it != mFiles.end(); ++it)
        if (!IsPipe(it->second.path)) closable.push_back(it);
    const std::size_t n = closable.size();
    std::uint64_t action = NextRandom() % 3;  // 0 open, 1 close, 2 both
    if (n <= mMinFiles) action = 0;
    else if (n >= mMaxFiles) action = 1;

    if (action != 0 && n > 0) RemoveFile(closable[NextRandom() % n]);
    if (action == 1 || mActivity->paths.empty()) return;

    // Guests only look around; the opening is done by signed-in users.
    std::vector<SessionRec*> openers;
    for (SessionRec& s : mSessions)
        if ((s.value.flags & netapi::SESS_GUEST) == 0) openers.push_back(&s);
    if (openers.empty()) return;
    SessionRec& s = *openers[NextRandom() % openers.size()];
    const std::u16string& path = mActivity->paths[NextRandom() % mActivity->paths.size()];
    static constexpr std::array<DWORD, 3> kPermissions{
        netapi::PERM_FILE_READ, netapi::PERM_FILE_READ | netapi::PERM_FILE_WRITE,
        netapi::PERM_FILE_READ | netapi::PERM_FILE_WRITE | netapi::PERM_FILE_CREATE};
    const DWORD permissions = kPermissions[NextRandom() % kPermissions.size()];
    const DWORD locks = NextRandom() % 4 == 0 ? 1 : 0;
    while (mFileById.count(mNextFileId) != 0) ++mNextFileId;
    const std::size_t share = ShareOfPath(path);
    AddFile({mNextFileId++, permissions, locks, path, s.value.user, s.key, share});
    s.value.idle = 0;
    if (share != kNoShare) EnsureConnection(s.key, share, 0);
}

}  // namespace sim
