#pragma once
// What a network backend answers, in plain values. The netapi layer turns these
// into the platform's buffers; providers never see a buffer. A string that the
// server left out (a null pointer on the wire) is std::nullopt.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "NetTypes.h"
#include "SecurityDescriptor.h"

namespace netapi {

using OptString = std::optional<std::u16string>;

struct FileInfo3 {
    DWORD id = 0;
    DWORD permissions = 0;
    DWORD num_locks = 0;
    OptString pathname;
    OptString username;
};

struct SessionInfo502 {
    OptString cname;
    OptString username;
    DWORD num_opens = 0;
    DWORD time = 0;
    DWORD idle_time = 0;
    DWORD user_flags = 0;
    OptString cltype_name;
    OptString transport;
};

struct ShareInfo2 {
    OptString netname;
    DWORD type = 0;
    OptString remark;
    DWORD permissions = 0;
    DWORD max_uses = 0xFFFFFFFFu;
    DWORD current_uses = 0;
    OptString path;
    OptString passwd;
};

// A share as NetShareGetInfo answers it and NetShareAdd / NetShareSetInfo
// take it: every level's fields in one value; a level reads and fills only
// its own (2: through path and password; 502: also the descriptor; 1004:
// remark; 1005: flags; 1006: max_uses; 1501: the descriptor).
struct ShareDetails {
    OptString netname;
    DWORD type = STYPE_DISKTREE;
    OptString remark;
    DWORD permissions = 0;
    DWORD max_uses = SHI_USES_UNLIMITED;
    DWORD current_uses = 0;
    OptString path;
    OptString passwd;
    DWORD reserved = 0;
    // Self-relative, as it crossed the wire; nullopt when the share has none.
    std::optional<std::vector<std::uint8_t>> security_descriptor;
    DWORD flags = 0;  // shi1005_flags: CSC_* caching and the rest
};

// SID_NAME_USE: what kind of account a name or SID stands for.
enum class SidUse : DWORD {
    User = 1, Group = 2, Domain = 3, Alias = 4, WellKnownGroup = 5,
    DeletedAccount = 6, Invalid = 7, Unknown = 8, Computer = 9,
};

// One account of a lookup, in the order asked: the SID and, when the server
// knew it, the domain and name. `resolved` false: a name that has no SID
// there (the SID is then empty), or a SID without a name (shown as the SID).
struct AccountLookup {
    Sid sid;
    std::u16string domain;
    std::u16string name;
    SidUse use = SidUse::Unknown;
    bool resolved = false;
};

struct ConnectionInfo1 {
    DWORD id = 0;
    DWORD type = 0;
    DWORD num_opens = 0;
    DWORD num_users = 0;
    DWORD time = 0;
    OptString username;
    OptString netname;
};

struct ServerInfo101 {
    DWORD platform_id = PLATFORM_ID_NT;
    OptString name;
    DWORD version_major = 0;
    DWORD version_minor = 0;
    DWORD type = 0;
    OptString comment;
};

struct TimeOfDay {
    DWORD elapsedt = 0;
    DWORD msecs = 0;
    DWORD hours = 0;
    DWORD mins = 0;
    DWORD secs = 0;
    DWORD hunds = 0;
    LONG timezone = 0;
    DWORD tinterval = 310;
    DWORD day = 1;
    DWORD month = 1;
    DWORD year = 1970;
    DWORD weekday = 4;
};

struct UserInfo3 {
    OptString name;
    OptString password;
    DWORD password_age = 0;
    DWORD priv = 1;
    OptString home_dir;
    OptString comment;
    DWORD flags = 0;
    OptString script_path;
    DWORD auth_flags = 0;
    OptString full_name;
    OptString usr_comment;
    OptString parms;
    OptString workstations;
    DWORD last_logon = 0;
    DWORD last_logoff = 0;
    DWORD acct_expires = 0xFFFFFFFFu;
    DWORD max_storage = 0xFFFFFFFFu;
    DWORD units_per_week = 168;
    std::optional<std::vector<std::uint8_t>> logon_hours;
    DWORD bad_pw_count = 0;
    DWORD num_logons = 0;
    OptString logon_server;
    DWORD country_code = 0;
    DWORD code_page = 0;
    DWORD user_id = 0;
    DWORD primary_group_id = 513;
    OptString profile;
    OptString home_dir_drive;
    DWORD password_expired = 0;
};

// A terminal-server session a desktop message reached: its id and station
// name ("RDP-Tcp#3", "Console").
struct DesktopSession {
    DWORD id = 0;
    std::u16string station;
};

// The answer to an enumeration: a status (0, ERROR_MORE_DATA with the records
// that came, or a failure with none), the records and the server's total.
template <typename Record>
struct EnumResult {
    NET_API_STATUS status = NERR_Success;
    std::vector<Record> records;
    DWORD total = 0;
};

// One network backend. Server names arrive exactly as the caller passed them
// (empty for the local computer; some calls carry a "\\" prefix); a null
// pointer from the caller arrives as std::nullopt.
class Provider {
public:
    virtual ~Provider() = default;

    virtual EnumResult<FileInfo3> FileEnum(const OptString& server, const OptString& basepath,
                                           const OptString& user) = 0;
    virtual NET_API_STATUS FileClose(const OptString& server, DWORD fileid) = 0;
    // One open file by its id (level 3); NERR_FileIdNotFound when the id
    // names no open file. A network that cannot tell answers
    // ERROR_NOT_SUPPORTED.
    virtual NET_API_STATUS FileGetInfo(const OptString& server, DWORD fileid, FileInfo3& out) {
        (void)server;
        (void)fileid;
        out = {};
        return ERROR_NOT_SUPPORTED;
    }
    // `level` is what the caller asked for (502, or 10 after 502 was
    // refused); a provider fills what that level carries, at least.
    virtual EnumResult<SessionInfo502> SessionEnum(const OptString& server,
                                                   const OptString& client,
                                                   const OptString& user, DWORD level) = 0;
    virtual NET_API_STATUS SessionDel(const OptString& server, const OptString& client,
                                      const OptString& user) = 0;
    // `level`: 2, or 1 after 2 was refused.
    virtual EnumResult<ShareInfo2> ShareEnum(const OptString& server, DWORD level) = 0;
    virtual EnumResult<ConnectionInfo1> ConnectionEnum(const OptString& server,
                                                       const OptString& qualifier) = 0;
    virtual EnumResult<ServerInfo101> ServerEnum(DWORD servertype, const OptString& domain) = 0;
    virtual NET_API_STATUS ServerGetInfo(const OptString& server, ServerInfo101& out) = 0;
    virtual NET_API_STATUS ServerSetComment(const OptString& server, const OptString& comment) = 0;
    virtual NET_API_STATUS RemoteTOD(const OptString& server, TimeOfDay& out) = 0;
    virtual NET_API_STATUS UserGetInfo(const OptString& server, const OptString& user,
                                       UserInfo3& out) = 0;
    virtual NET_API_STATUS UserSetInfo(const OptString& server, const OptString& user,
                                       const UserInfo3& info) = 0;
    virtual NET_API_STATUS MessageBufferSend(const OptString& server, const OptString& msgname,
                                             const OptString& fromname,
                                             const std::u16string& text) = 0;
    virtual NET_API_STATUS LocalComputerName(std::u16string& out) = 0;
    // A message box on every active desktop session `user` has on `server`
    // (terminal services), for servers without a messenger service. The
    // sessions it reached go to `reached`; NERR_NameNotFound when the user
    // has none. Networks without terminal services answer ERROR_NOT_SUPPORTED.
    virtual NET_API_STATUS DesktopMessageSend(const OptString& server, const std::u16string& user,
                                              const std::u16string& title,
                                              const std::u16string& text,
                                              std::vector<DesktopSession>& reached) {
        (void)server;
        (void)user;
        (void)title;
        (void)text;
        reached.clear();
        return ERROR_NOT_SUPPORTED;
    }
    // A domain controller of `domain` (empty or null: the domain `server`
    // belongs to), by a name it can be reached at. Networks without domains
    // have none.
    virtual NET_API_STATUS GetAnyDCName(const OptString& server, const OptString& domain,
                                        std::u16string& out) {
        (void)server;
        (void)domain;
        out.clear();
        return NERR_DCNotFound;
    }
    // Share management. A network that cannot manage shares answers
    // ERROR_NOT_SUPPORTED. `parm_err` names the field a refusal was about
    // (a SHARE_*_PARMNUM) or stays 0.
    virtual NET_API_STATUS ShareAdd(const OptString& server, DWORD level, const ShareDetails& share,
                                    DWORD& parm_err) {
        (void)server, (void)level, (void)share;
        parm_err = 0;
        return ERROR_NOT_SUPPORTED;
    }
    virtual NET_API_STATUS ShareDel(const OptString& server, const std::u16string& netname) {
        (void)server, (void)netname;
        return ERROR_NOT_SUPPORTED;
    }
    virtual NET_API_STATUS ShareGetInfo(const OptString& server, const std::u16string& netname,
                                        DWORD level, ShareDetails& out) {
        (void)server, (void)netname, (void)level, (void)out;
        return ERROR_NOT_SUPPORTED;
    }
    virtual NET_API_STATUS ShareSetInfo(const OptString& server, const std::u16string& netname,
                                        DWORD level, const ShareDetails& share, DWORD& parm_err) {
        (void)server, (void)netname, (void)level, (void)share;
        parm_err = 0;
        return ERROR_NOT_SUPPORTED;
    }
    // Account lookups on `server`'s own authority (lsarpc): one answer per
    // name or SID, in order. 0 when all resolved, ERROR_SOME_NOT_MAPPED or
    // ERROR_NONE_MAPPED with the answers otherwise.
    virtual NET_API_STATUS LookupNames(const OptString& server,
                                       const std::vector<std::u16string>& names,
                                       std::vector<AccountLookup>& out) {
        (void)server, (void)names;
        out.clear();
        return ERROR_NOT_SUPPORTED;
    }
    virtual NET_API_STATUS LookupSids(const OptString& server, const std::vector<Sid>& sids,
                                      std::vector<AccountLookup>& out) {
        (void)server, (void)sids;
        out.clear();
        return ERROR_NOT_SUPPORTED;
    }

    // Something the user should read once the program is up (why a credentials
    // file was refused, say); it is no failure. Empty when there is nothing.
    virtual std::u16string StartupNotice() const { return {}; }
    // Some servers hand out an (empty) buffer with a failure too; callers
    // must release it on every outcome.
    virtual bool FailuresCarryBuffer() const { return false; }

    // A person asked again: forget that the computer (or every computer)
    // failed lately, so the next call goes to the network at once.
    virtual void RetryComputer(const OptString&) {}
    virtual void RetryAllComputers() {}

    // Whether the network has a name for `server`: 0, or WSAHOST_NOT_FOUND
    // when the name does not resolve. A network that cannot tell says 0.
    virtual NET_API_STATUS ResolveComputer(const OptString& server) {
        (void)server;
        return NERR_Success;
    }
    // Whether computers are logged on to with accounts (LogOnAs, ForgetLogOn).
    virtual bool HasLogOns() const { return false; }
    // Asks the person for an account for `server` now, and logs on with it.
    virtual NET_API_STATUS LogOnAs(const OptString& server) {
        (void)server;
        return ERROR_NOT_SUPPORTED;
    }
    // The account used for `server` is dropped, from this run and from where
    // it was kept; the next call logs on afresh.
    virtual void ForgetLogOn(const OptString& server) { (void)server; }
};

// The provider every netapi call goes to; chosen once at start-up. Without
// one, calls answer ERROR_NOT_SUPPORTED.
void SetProvider(std::shared_ptr<Provider> provider);
Provider* ActiveProvider();
// The active provider's start-up notice, or empty.
std::u16string ProviderStartupNotice();

}  // namespace netapi
