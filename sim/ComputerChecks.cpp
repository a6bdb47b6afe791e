// Taking one computer from its scenario: every value checked where it
// stands, and the sessions, files and connections indexed as the server
// will hold them. A fault throws a ScenarioError naming its place.
#include <algorithm>
#include <initializer_list>
#include <unordered_set>

#include "ComputerModel.h"
#include "NameCompare.h"
#include "ScenarioError.h"
#include "text/Text.h"

namespace sim {

namespace {

constexpr std::int64_t kMaxClockOffset = 100LL * 366 * 24 * 3600;  // a century either way
constexpr netapi::LONG kMaxTimezone = 24 * 60;
constexpr DWORD kMaxDelayMs = 600000;  // ten minutes
constexpr std::size_t kMaxShares = 65535;

std::string U8(std::u16string_view s) { return text::ToUtf8(s); }
std::string Quote(std::u16string_view s) { return "\"" + U8(s) + "\""; }
std::string Idx(const std::string& place, const char* list, std::size_t i) {
    return place + "/" + list + "/" + std::to_string(i);
}

// Lookup keys for sessions: letter case folded, a null user kept apart from "".
std::u16string UserKey(const OptString& user) {
    return user ? u"=" + text::ToLower(*user) : std::u16string(u"-");
}
std::u16string ClientUserKey(std::u16string_view client, const OptString& user) {
    return text::ToLower(client) + u'\n' + UserKey(user);
}

bool OneOf(Call call, std::initializer_list<Call> calls) {
    return std::ranges::find(calls, call) != calls.end();
}

bool IsEnumeration(Call call) {
    return OneOf(call, {Call::NetFileEnum, Call::NetSessionEnum, Call::NetShareEnum,
                        Call::NetConnectionEnum, Call::NetServerEnum});
}

bool TakesNames(Call call) {
    return OneOf(call, {Call::NetSessionDel, Call::NetConnectionEnum, Call::NetUserGetInfo,
                        Call::NetUserSetInfo, Call::NetMessageBufferSend, Call::NetShareAdd,
                        Call::NetShareDel, Call::NetShareGetInfo, Call::NetShareSetInfo});
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
    if (!fault.ids.empty() && fault.call != Call::NetFileClose &&
        fault.call != Call::NetFileGetInfo)
        throw ScenarioError(source, place + "/ids",
                            "file ids restrict only NetFileClose and NetFileGetInfo faults, not " +
                                name);
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

}  // namespace sim
