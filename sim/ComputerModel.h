#pragma once
// One simulated computer's live state: shares, sessions, connections, open
// files and accounts, changed by calls the way a server changes them.
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Scenario.h"

namespace sim {

// Throws ScenarioError when a fault cannot apply where it stands: a call of
// the wrong level, a partial list on a call that lists nothing, a restriction
// the call has nothing to match against.
void CheckFault(const Fault& fault, bool networkLevel, bool onLocal, const std::string& source,
                const std::string& place);

class ComputerModel final {
public:
    // Checks and takes one computer of a scenario; `place` is its JSON
    // pointer (for example "/computers/2"). Throws ScenarioError.
    ComputerModel(Computer&& computer, const std::string& source, const std::string& place);

    const std::u16string& Name() const { return mName; }
    DWORD Type() const { return mType; }
    bool IsLocal() const { return mLocal; }
    const std::optional<DWORD>& UnreachableDelay() const { return mUnreachableDelay; }
    netapi::ServerInfo101 Info() const;
    void SetComment(const OptString& comment) { mComment = comment; }

    // The first fault for this call that applies to the file id or to one of
    // the names, or null.
    const Fault* FindFault(Call call, std::optional<DWORD> id,
                           std::initializer_list<std::u16string_view> names) const;
    void AddFault(Fault fault) { mFaults.push_back(std::move(fault)); }
    void ClearFaults() { mFaults.clear(); }

    std::vector<netapi::FileInfo3> Files(const OptString& basepath, const OptString& user) const;
    netapi::NET_API_STATUS CloseFile(DWORD id);
    netapi::NET_API_STATUS FileById(DWORD id, netapi::FileInfo3& out) const;
    netapi::NET_API_STATUS Sessions(const OptString& client, const OptString& user,
                                    std::vector<netapi::SessionInfo502>& out) const;
    netapi::NET_API_STATUS DeleteSessions(const OptString& client, const OptString& user);
    std::vector<netapi::ShareInfo2> Shares() const;
    // Share management as a Windows server answers it: names checked,
    // 2118 for a name in use, 2310 for a share that is not there; stopping a
    // share ends its connections and the files opened through it.
    netapi::NET_API_STATUS AddShare(const netapi::ShareDetails& share, DWORD& parm_err);
    netapi::NET_API_STATUS DeleteShare(std::u16string_view name);
    netapi::NET_API_STATUS GetShare(std::u16string_view name, netapi::ShareDetails& out) const;
    netapi::NET_API_STATUS SetShare(std::u16string_view name, DWORD level,
                                    const netapi::ShareDetails& share, DWORD& parm_err);
    // The computer's accounts and the well-known ones, by name ("alice",
    // "FILES1\alice", "Everyone", "BUILTIN\Administrators") and by SID.
    netapi::AccountLookup LookupName(std::u16string_view name) const;
    netapi::AccountLookup LookupSid(const netapi::Sid& sid) const;

    netapi::NET_API_STATUS Connections(const OptString& qualifier,
                                       std::vector<netapi::ConnectionInfo1>& out) const;
    netapi::NET_API_STATUS GetUser(const OptString& name, netapi::UserInfo3& out) const;
    netapi::NET_API_STATUS SetUser(const OptString& name, const netapi::UserInfo3& info);
    bool AcceptsMessagesFor(std::u16string_view name) const;
    netapi::TimeOfDay TimeOfDay(std::chrono::system_clock::time_point now) const;

    // Scripted activity: counts elapsed periods from `now`, then applies one
    // step per period that has passed by the time of CatchUp.
    bool HasActivity() const { return mActivity.has_value(); }
    void StartActivityClock(std::chrono::system_clock::time_point now);
    void CatchUp(std::chrono::system_clock::time_point now);
    std::uint64_t ActivitySteps() const { return mStepsApplied; }

private:
    struct SessionRec {
        std::uint64_t key;
        Session value;
    };
    struct ConnectionRec {
        std::uint64_t session;
        std::size_t share;
        DWORD id;
        DWORD time;
        DWORD num_users;
    };
    struct FileRec {
        DWORD id;
        DWORD permissions;
        DWORD locks;
        std::u16string path;
        OptString user;
        std::uint64_t session;  // 0: held by no session we know
        std::size_t share;      // kNoShare: on no share
    };
    static constexpr std::size_t kNoShare = static_cast<std::size_t>(-1);

    // Which session a file or connection belongs to, by client and user.
    struct SessionIndex {
        std::unordered_map<std::u16string, std::uint64_t> byClientUser, byClient, byUser;
        // The session's key, 0 for none.
        std::uint64_t Of(const OptString& client, const OptString& user) const;
        static std::string None(const OptString& client, const OptString& user);
    };

    // The steps of loading a computer from its scenario; each throws a
    // ScenarioError naming the place of the first fault.
    void CheckSettings(const std::string& source, const std::string& place) const;
    void CheckShares(const std::string& source, const std::string& place) const;
    SessionIndex AddSessions(std::vector<Session>& sessions, const std::string& source,
                             const std::string& place);
    void AddFiles(std::vector<File>& files, const SessionIndex& sessions,
                  const std::string& source, const std::string& place);
    void AddConnections(const std::optional<std::vector<Connection>>& connections,
                        const SessionIndex& sessions, const std::string& source,
                        const std::string& place);
    void CheckAccounts(const std::string& source, const std::string& place) const;
    void SetUpActivity(const std::string& source, const std::string& place);

    std::size_t ShareOfPath(std::u16string_view path) const;
    std::optional<std::size_t> FindShare(std::u16string_view name) const;
    const SessionRec* FindSession(std::uint64_t key) const;
    void EnsureConnection(std::uint64_t session, std::size_t share, DWORD time);
    void AddFile(FileRec file);
    void RemoveFile(std::map<std::uint64_t, FileRec>::iterator it);
    void Step();
    std::uint64_t NextRandom();

    std::u16string mName;
    DWORD mType;
    DWORD mPlatformId;
    DWORD mVersionMajor;
    DWORD mVersionMinor;
    OptString mComment;
    std::int64_t mClockOffset;
    netapi::LONG mTimezone;
    bool mLocal;
    std::optional<DWORD> mUnreachableDelay;

    std::vector<Share> mShares;
    std::vector<SessionRec> mSessions;
    std::vector<ConnectionRec> mConnections;
    // Files in the order the server lists them; the key is the opening order.
    std::map<std::uint64_t, FileRec> mFiles;
    std::unordered_map<DWORD, std::uint64_t> mFileById;
    std::uint64_t mNextFileSeq = 1;
    std::vector<netapi::UserInfo3> mAccounts;
    std::vector<std::u16string> mMessengerNames;
    std::vector<Fault> mFaults;

    std::optional<Activity> mActivity;
    DWORD mMinFiles = 0;
    DWORD mMaxFiles = 0;
    std::uint64_t mRandom = 0;
    DWORD mNextFileId = 1;
    DWORD mNextConnectionId = 1;
    std::chrono::system_clock::time_point mEpoch{};
    std::uint64_t mStepsAtEpoch = 0;
    std::uint64_t mStepsApplied = 0;
};

}  // namespace sim
