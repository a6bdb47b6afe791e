#include "netapi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <type_traits>
#include <unordered_set>

#include "MessageTarget.h"
#include "CallControl.h"
#include "Provider.h"

namespace netapi {
namespace {

std::shared_ptr<Provider>& ProviderSlot() {
    static std::shared_ptr<Provider> provider;
    return provider;
}

bool FailuresCarryBuffer() {
    const Provider* p = ActiveProvider();
    return p != nullptr && p->FailuresCarryBuffer();
}

struct LiveBuffers {
    std::mutex lock;
    std::unordered_set<void*> live;
};

LiveBuffers& Live() {
    static LiveBuffers buffers;
    return buffers;
}

std::uint8_t* Allocate(std::size_t bytes) {
    auto* p = static_cast<std::uint8_t*>(std::malloc(bytes == 0 ? 1 : bytes));
    if (p == nullptr) return nullptr;
    std::memset(p, 0, bytes == 0 ? 1 : bytes);
    auto& l = Live();
    std::lock_guard<std::mutex> guard(l.lock);
    l.live.insert(p);
    return p;
}

OptString FromPointer(LPCWSTR s) {
    if (s == nullptr) return std::nullopt;
    return std::u16string(s);
}

// Two passes over the records: the first measures the strings, the second
// copies them behind the records into the one allocation.
class Cursor {
public:
    explicit Cursor(std::uint8_t* at) : mAt(at), mMeasure(at == nullptr) {}

    LPWSTR Str(const OptString& s) {
        if (!s) return nullptr;
        const std::size_t bytes = (s->size() + 1) * sizeof(char16_t);
        mBytes += bytes;
        if (mMeasure) return nullptr;
        auto* d = reinterpret_cast<char16_t*>(mAt);
        if (!s->empty()) std::memcpy(d, s->data(), s->size() * sizeof(char16_t));
        d[s->size()] = 0;
        mAt += bytes;
        return d;
    }

    LPBYTE Bytes(const std::optional<std::vector<std::uint8_t>>& b) {
        if (!b) return nullptr;
        const std::size_t bytes = (b->size() + 1) & ~std::size_t{1};  // keep strings aligned
        mBytes += bytes;
        if (mMeasure) return nullptr;
        auto* d = mAt;
        if (!b->empty()) std::memcpy(d, b->data(), b->size());
        mAt += bytes;
        return d;
    }

    std::size_t Measured() const { return mBytes; }

private:
    std::uint8_t* mAt;
    bool mMeasure;
    std::size_t mBytes = 0;
};

// Designated initialisers: the strings are copied in the order the fields
// stand, the same in the measuring pass as in the writing one.
void Fill(FILE_INFO_3& o, const FileInfo3& r, Cursor& c) {
    o = {.fi3_id = r.id, .fi3_permissions = r.permissions, .fi3_num_locks = r.num_locks,
         .fi3_pathname = c.Str(r.pathname), .fi3_username = c.Str(r.username)};
}

void Fill(SESSION_INFO_502& o, const SessionInfo502& r, Cursor& c) {
    o = {.sesi502_cname = c.Str(r.cname), .sesi502_username = c.Str(r.username),
         .sesi502_num_opens = r.num_opens, .sesi502_time = r.time,
         .sesi502_idle_time = r.idle_time, .sesi502_user_flags = r.user_flags,
         .sesi502_cltype_name = c.Str(r.cltype_name), .sesi502_transport = c.Str(r.transport)};
}

void Fill(SESSION_INFO_10& o, const SessionInfo502& r, Cursor& c) {
    o = {.sesi10_cname = c.Str(r.cname), .sesi10_username = c.Str(r.username),
         .sesi10_time = r.time, .sesi10_idle_time = r.idle_time};
}

void Fill(SHARE_INFO_1& o, const ShareInfo2& r, Cursor& c) {
    o = {.shi1_netname = c.Str(r.netname), .shi1_type = r.type, .shi1_remark = c.Str(r.remark)};
}

void Fill(SHARE_INFO_2& o, const ShareInfo2& r, Cursor& c) {
    o = {.shi2_netname = c.Str(r.netname), .shi2_type = r.type, .shi2_remark = c.Str(r.remark),
         .shi2_permissions = r.permissions, .shi2_max_uses = r.max_uses,
         .shi2_current_uses = r.current_uses, .shi2_path = c.Str(r.path),
         .shi2_passwd = c.Str(r.passwd)};
}

void Fill(WTS_SESSION_INFOW& o, const DesktopSession& r, Cursor& c) {
    o = {.SessionId = r.id, .pWinStationName = c.Str(r.station), .State = 0};
}

void Fill(CONNECTION_INFO_1& o, const ConnectionInfo1& r, Cursor& c) {
    o = {.coni1_id = r.id, .coni1_type = r.type, .coni1_num_opens = r.num_opens,
         .coni1_num_users = r.num_users, .coni1_time = r.time,
         .coni1_username = c.Str(r.username), .coni1_netname = c.Str(r.netname)};
}

void Fill(SERVER_INFO_101& o, const ServerInfo101& r, Cursor& c) {
    o = {.sv101_platform_id = r.platform_id, .sv101_name = c.Str(r.name),
         .sv101_version_major = r.version_major, .sv101_version_minor = r.version_minor,
         .sv101_type = r.type, .sv101_comment = c.Str(r.comment)};
}

void Fill(TIME_OF_DAY_INFO& o, const TimeOfDay& r, Cursor&) {
    o = TIME_OF_DAY_INFO{r.elapsedt, r.msecs, r.hours,   r.mins,  r.secs, r.hunds,
                         r.timezone, r.tinterval, r.day, r.month, r.year, r.weekday};
}

void Fill(USER_INFO_3& o, const UserInfo3& r, Cursor& c) {
    o = {.usri3_name = c.Str(r.name), .usri3_password = c.Str(r.password),
         .usri3_password_age = r.password_age, .usri3_priv = r.priv,
         .usri3_home_dir = c.Str(r.home_dir), .usri3_comment = c.Str(r.comment),
         .usri3_flags = r.flags, .usri3_script_path = c.Str(r.script_path),
         .usri3_auth_flags = r.auth_flags, .usri3_full_name = c.Str(r.full_name),
         .usri3_usr_comment = c.Str(r.usr_comment), .usri3_parms = c.Str(r.parms),
         .usri3_workstations = c.Str(r.workstations), .usri3_last_logon = r.last_logon,
         .usri3_last_logoff = r.last_logoff, .usri3_acct_expires = r.acct_expires,
         .usri3_max_storage = r.max_storage, .usri3_units_per_week = r.units_per_week,
         .usri3_logon_hours = c.Bytes(r.logon_hours), .usri3_bad_pw_count = r.bad_pw_count,
         .usri3_num_logons = r.num_logons, .usri3_logon_server = c.Str(r.logon_server),
         .usri3_country_code = r.country_code, .usri3_code_page = r.code_page,
         .usri3_user_id = r.user_id, .usri3_primary_group_id = r.primary_group_id,
         .usri3_profile = c.Str(r.profile), .usri3_home_dir_drive = c.Str(r.home_dir_drive),
         .usri3_password_expired = r.password_expired};
}

std::optional<std::vector<std::uint8_t>> LogonHours(LPBYTE hours) {
    if (hours == nullptr) return std::nullopt;
    return std::vector<std::uint8_t>(hours, hours + LOGON_HOURS_BYTES);
}

UserInfo3 Unpack(const USER_INFO_3& i) {
    return {.name = FromPointer(i.usri3_name), .password = FromPointer(i.usri3_password),
            .password_age = i.usri3_password_age, .priv = i.usri3_priv,
            .home_dir = FromPointer(i.usri3_home_dir), .comment = FromPointer(i.usri3_comment),
            .flags = i.usri3_flags, .script_path = FromPointer(i.usri3_script_path),
            .auth_flags = i.usri3_auth_flags, .full_name = FromPointer(i.usri3_full_name),
            .usr_comment = FromPointer(i.usri3_usr_comment), .parms = FromPointer(i.usri3_parms),
            .workstations = FromPointer(i.usri3_workstations), .last_logon = i.usri3_last_logon,
            .last_logoff = i.usri3_last_logoff, .acct_expires = i.usri3_acct_expires,
            .max_storage = i.usri3_max_storage, .units_per_week = i.usri3_units_per_week,
            .logon_hours = LogonHours(i.usri3_logon_hours), .bad_pw_count = i.usri3_bad_pw_count,
            .num_logons = i.usri3_num_logons, .logon_server = FromPointer(i.usri3_logon_server),
            .country_code = i.usri3_country_code, .code_page = i.usri3_code_page,
            .user_id = i.usri3_user_id, .primary_group_id = i.usri3_primary_group_id,
            .profile = FromPointer(i.usri3_profile),
            .home_dir_drive = FromPointer(i.usri3_home_dir_drive),
            .password_expired = i.usri3_password_expired};
}

constexpr std::size_t AlignUp(std::size_t n) {
    return (n + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
}

// Packs records into one buffer: the records, then every string they point to.
template <typename Record, typename Value>
std::uint8_t* Pack(const Value* values, std::size_t count) {
    Cursor measure(nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        Record scratch{};
        Fill(scratch, values[i], measure);
    }
    const std::size_t recordBytes = AlignUp(count * sizeof(Record));
    std::uint8_t* base = Allocate(recordBytes + measure.Measured());
    if (base == nullptr) return nullptr;
    Cursor write(base + recordBytes);
    auto* records = reinterpret_cast<Record*>(base);
    for (std::size_t i = 0; i < count; ++i) Fill(records[i], values[i], write);
    return base;
}

template <typename Record, typename Value>
NET_API_STATUS Deliver(const EnumResult<Value>& result, LPBYTE* bufptr, DWORD* entriesread,
                       DWORD* totalentries, DWORD* resume_handle) {
    *bufptr = nullptr;
    *entriesread = 0;
    *totalentries = 0;
    const bool ok = result.status == NERR_Success || result.status == ERROR_MORE_DATA;
    if (!ok) {
        if (FailuresCarryBuffer()) *bufptr = Allocate(0);
        return result.status;
    }
    std::uint8_t* buffer = Pack<Record>(result.records.data(), result.records.size());
    if (buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    *bufptr = buffer;
    *entriesread = static_cast<DWORD>(result.records.size());
    *totalentries = std::max<DWORD>(result.total, *entriesread);
    if (resume_handle != nullptr && result.status == NERR_Success) *resume_handle = 0;
    return result.status;
}

template <typename Record, typename Value>
NET_API_STATUS DeliverOne(NET_API_STATUS status, const Value& value, LPBYTE* bufptr) {
    *bufptr = nullptr;
    if (status != NERR_Success) {
        if (FailuresCarryBuffer()) *bufptr = Allocate(0);
        return status;
    }
    std::uint8_t* buffer = Pack<Record>(&value, 1);
    if (buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    *bufptr = buffer;
    return NERR_Success;
}

template <typename T>
struct Answer {
    NET_API_STATUS status = NERR_Success;
    T value{};
};

CallRunner* gRunner = nullptr;

// Carries out one provider call: on this thread, or through the program's
// runner. The work owns copies of its arguments and of the provider, so that
// a call given up can finish on its own without touching the caller's frame.
template <typename R, typename F>
R Carry(bool changes, F work) {
    std::shared_ptr<Provider> provider = ProviderSlot();
    if (!provider) return FailedWith<R>(ERROR_NOT_SUPPORTED);
    struct Task {
        CallControl call;
        R result{};
    };
    auto task = std::make_shared<Task>();
    task->call.deadline = CallClock::now() + GetCallLimits().deadline;
    auto body = [task, provider, work = std::move(work)]() mutable {
        ScopedCall scope(&task->call);
        task->result = work(*provider);
        task->call.finished.store(true);
    };
    if (gRunner == nullptr) {
        body();
        return std::move(task->result);
    }
    const CallRunner::Outcome outcome = gRunner->Run(task->call, body);
    netenum::DeliverQueuedLines();
    if (outcome == CallRunner::Outcome::Finished && task->call.finished.load())
        return std::move(task->result);
    task->call.abandoned.store(true);
    if (changes && task->call.requestSent.load()) return FailedWith<R>(VANTOR_RESULT_UNKNOWN);
    return FailedWith<R>(outcome == CallRunner::Outcome::Cancelled ? ERROR_CANCELLED
                                                               : ERROR_SEM_TIMEOUT);
}

// The checks every enumeration makes before its call (out-parameters, then
// the level), the call `work(provider)` and its answer packed into a buffer.
template <typename Record, typename Work>
NET_API_STATUS Enumerate(bool levelKnown, LPBYTE* bufptr, DWORD* entriesread, DWORD* totalentries,
                         DWORD* resume_handle, Work work) {
    if (bufptr == nullptr || entriesread == nullptr || totalentries == nullptr)
        return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    if (!levelKnown) return ERROR_INVALID_LEVEL;
    using Result = std::invoke_result_t<Work&, Provider&>;
    return Deliver<Record>(Carry<Result>(false, std::move(work)), bufptr, entriesread, totalentries,
                           resume_handle);
}

// The same for a call answering one record: `work(provider, value)` fills the
// value and gives the status.
template <typename Record, typename Value, typename Work>
NET_API_STATUS GetOne(bool levelKnown, LPBYTE* bufptr, Work work) {
    if (bufptr == nullptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    if (!levelKnown) return ERROR_INVALID_LEVEL;
    const auto answer = Carry<Answer<Value>>(false, [work = std::move(work)](Provider& p) {
        Answer<Value> a;
        a.status = work(p, a.value);
        return a;
    });
    return DeliverOne<Record>(answer.status, answer.value, bufptr);
}

}  // namespace

void SetProvider(std::shared_ptr<Provider> provider) { ProviderSlot() = std::move(provider); }
Provider* ActiveProvider() { return ProviderSlot().get(); }

std::u16string ProviderStartupNotice() {
    const Provider* p = ActiveProvider();
    return p == nullptr ? std::u16string() : p->StartupNotice();
}
void SetCallRunner(CallRunner* runner) { gRunner = runner; }

void Interact(const std::function<void()>& ask) {
    if (gRunner != nullptr)
        gRunner->Interact(ask);
    else
        ask();
}

void RetryComputer(LPCWSTR servername) {
    if (auto provider = ProviderSlot()) provider->RetryComputer(FromPointer(servername));
}

void RetryAllComputers() {
    if (auto provider = ProviderSlot()) provider->RetryAllComputers();
}

std::size_t LiveBufferCount() {
    auto& l = Live();
    std::lock_guard<std::mutex> guard(l.lock);
    return l.live.size();
}

NET_API_STATUS NetApiBufferFree(void* Buffer) {
    if (Buffer == nullptr) return NERR_Success;
    auto& l = Live();
    {
        std::lock_guard<std::mutex> guard(l.lock);
        // Freeing something we never handed out would corrupt the heap; refuse.
        if (l.live.erase(Buffer) == 0) return ERROR_INVALID_PARAMETER;
    }
    std::free(Buffer);
    return NERR_Success;
}

NET_API_STATUS NetFileEnum(LPCWSTR servername, LPCWSTR basepath, LPCWSTR username, DWORD level,
                           LPBYTE* bufptr, DWORD, DWORD* entriesread, DWORD* totalentries,
                           DWORD* resume_handle) {
    return Enumerate<FILE_INFO_3>(level == 3, bufptr, entriesread, totalentries, resume_handle,
                                  [s = FromPointer(servername), b = FromPointer(basepath),
                                   u = FromPointer(username)](Provider& p) {
                                      return p.FileEnum(s, b, u);
                                  });
}

NET_API_STATUS NetFileClose(LPCWSTR servername, DWORD fileid) {
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername), fileid](Provider& p) {
        return p.FileClose(s, fileid);
    });
}

NET_API_STATUS NetSessionEnum(LPCWSTR servername, LPCWSTR UncClientName, LPCWSTR username,
                              DWORD level, LPBYTE* bufptr, DWORD, DWORD* entriesread,
                              DWORD* totalentries, DWORD* resume_handle) {
    auto work = [s = FromPointer(servername), c = FromPointer(UncClientName),
                 u = FromPointer(username), level](Provider& p) {
        return p.SessionEnum(s, c, u, level);
    };
    if (level == 10)
        return Enumerate<SESSION_INFO_10>(true, bufptr, entriesread, totalentries, resume_handle,
                                          std::move(work));
    return Enumerate<SESSION_INFO_502>(level == 502, bufptr, entriesread, totalentries,
                                       resume_handle, std::move(work));
}

NET_API_STATUS NetSessionDel(LPCWSTR servername, LPCWSTR UncClientName, LPCWSTR username) {
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername), c = FromPointer(UncClientName),
                                        u = FromPointer(username)](Provider& p) {
        return p.SessionDel(s, c, u);
    });
}

NET_API_STATUS NetShareEnum(LPCWSTR servername, DWORD level, LPBYTE* bufptr, DWORD,
                            DWORD* entriesread, DWORD* totalentries, DWORD* resume_handle) {
    auto work = [s = FromPointer(servername), level](Provider& p) { return p.ShareEnum(s, level); };
    if (level == 1)
        return Enumerate<SHARE_INFO_1>(true, bufptr, entriesread, totalentries, resume_handle,
                                       std::move(work));
    return Enumerate<SHARE_INFO_2>(level == 2, bufptr, entriesread, totalentries, resume_handle,
                                   std::move(work));
}

NET_API_STATUS NetConnectionEnum(LPCWSTR servername, LPCWSTR qualifier, DWORD level,
                                 LPBYTE* bufptr, DWORD, DWORD* entriesread,
                                 DWORD* totalentries, DWORD* resume_handle) {
    return Enumerate<CONNECTION_INFO_1>(
        level == 1, bufptr, entriesread, totalentries, resume_handle,
        [s = FromPointer(servername), q = FromPointer(qualifier)](Provider& p) {
            return p.ConnectionEnum(s, q);
        });
}

NET_API_STATUS NetServerEnum(LPCWSTR, DWORD level, LPBYTE* bufptr, DWORD, DWORD* entriesread,
                             DWORD* totalentries, DWORD servertype, LPCWSTR domain,
                             DWORD* resume_handle) {
    return Enumerate<SERVER_INFO_101>(
        level == 101, bufptr, entriesread, totalentries, resume_handle,
        [servertype, d = FromPointer(domain)](Provider& p) { return p.ServerEnum(servertype, d); });
}

NET_API_STATUS NetServerGetInfo(LPCWSTR servername, DWORD level, LPBYTE* bufptr) {
    return GetOne<SERVER_INFO_101, ServerInfo101>(
        level == 101, bufptr, [s = FromPointer(servername)](Provider& p, ServerInfo101& out) {
            return p.ServerGetInfo(s, out);
        });
}

NET_API_STATUS NetServerSetInfo(LPCWSTR servername, DWORD level, LPBYTE buf, DWORD* parm_err) {
    if (parm_err != nullptr) *parm_err = 0;
    if (level != 1005) return ERROR_INVALID_LEVEL;
    if (buf == nullptr) return ERROR_INVALID_PARAMETER;
    SERVER_INFO_1005 record;
    std::memcpy(&record, buf, sizeof record);
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername),
                                        c = FromPointer(record.sv1005_comment)](Provider& p) {
        return p.ServerSetComment(s, c);
    });
}

NET_API_STATUS NetRemoteTOD(LPCWSTR UncServerName, LPBYTE* BufferPtr) {
    // The clock has a single level.
    return GetOne<TIME_OF_DAY_INFO, TimeOfDay>(
        true, BufferPtr, [s = FromPointer(UncServerName)](Provider& p, TimeOfDay& out) {
            return p.RemoteTOD(s, out);
        });
}

NET_API_STATUS NetUserGetInfo(LPCWSTR servername, LPCWSTR username, DWORD level,
                              LPBYTE* bufptr) {
    return GetOne<USER_INFO_3, UserInfo3>(
        level == 3, bufptr,
        [s = FromPointer(servername), u = FromPointer(username)](Provider& p, UserInfo3& out) {
            return p.UserGetInfo(s, u, out);
        });
}

NET_API_STATUS NetUserSetInfo(LPCWSTR servername, LPCWSTR username, DWORD level, LPBYTE buf,
                              DWORD* parm_err) {
    if (parm_err != nullptr) *parm_err = 0;
    if (level != 3) return ERROR_INVALID_LEVEL;
    if (buf == nullptr) return ERROR_INVALID_PARAMETER;
    USER_INFO_3 record;
    std::memcpy(&record, buf, sizeof record);
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername), u = FromPointer(username),
                                        info = Unpack(record)](Provider& p) {
        return p.UserSetInfo(s, u, info);
    });
}

NET_API_STATUS NetMessageBufferSend(LPCWSTR servername, LPCWSTR msgname, LPCWSTR fromname,
                                    LPBYTE buf, DWORD buflen) {
    if (msgname == nullptr || (buf == nullptr && buflen != 0) || buflen % 2 != 0)
        return ERROR_INVALID_PARAMETER;
    std::u16string text(buflen / 2, u'\0');
    if (buflen != 0) std::memcpy(text.data(), buf, buflen);
    return Carry<NET_API_STATUS>(true, [s = FromPointer(servername), m = FromPointer(msgname),
                                        f = FromPointer(fromname),
                                        text = std::move(text)](Provider& p) {
        return p.MessageBufferSend(s, m, f, text);
    });
}

NET_API_STATUS WTSSendMessageToUser(LPCWSTR ServerName, LPCWSTR UserName, LPCWSTR Title,
                                    LPCWSTR Message, LPBYTE* Sessions, DWORD* Count) {
    if (Sessions == nullptr || Count == nullptr || UserName == nullptr || Message == nullptr)
        return ERROR_INVALID_PARAMETER;
    *Sessions = nullptr;
    *Count = 0;
    auto answer = Carry<Answer<std::vector<DesktopSession>>>(
        true, [s = FromPointer(ServerName), u = std::u16string(UserName),
               t = FromPointer(Title).value_or(u""), m = std::u16string(Message)](Provider& p) {
            Answer<std::vector<DesktopSession>> a;
            a.status = p.DesktopMessageSend(s, u, t, m, a.value);
            return a;
        });
    if (answer.status != NERR_Success) {
        if (FailuresCarryBuffer()) *Sessions = Allocate(0);
        return answer.status;
    }
    std::uint8_t* buffer =
        Pack<WTS_SESSION_INFOW>(answer.value.data(), answer.value.size());
    if (buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    *Sessions = buffer;
    *Count = static_cast<DWORD>(answer.value.size());
    return NERR_Success;
}

NET_API_STATUS NetGetAnyDCName(LPCWSTR ServerName, LPCWSTR DomainName, LPBYTE* Buffer) {
    if (Buffer == nullptr) return ERROR_INVALID_PARAMETER;
    *Buffer = nullptr;
    auto answer = Carry<Answer<std::u16string>>(
        false, [s = FromPointer(ServerName), d = FromPointer(DomainName)](Provider& p) {
            Answer<std::u16string> a;
            a.status = p.GetAnyDCName(s, d, a.value);
            return a;
        });
    std::u16string& dc = answer.value;
    while (!dc.empty() && dc.front() == u'\\') dc.erase(dc.begin());
    if (answer.status == NERR_Success && dc.empty()) answer.status = NERR_DCNotFound;
    if (answer.status != NERR_Success) {
        if (FailuresCarryBuffer()) *Buffer = Allocate(0);
        return answer.status;
    }
    const std::u16string unc = u"\\\\" + dc;
    std::uint8_t* buffer = Allocate((unc.size() + 1) * sizeof(char16_t));
    if (buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    std::memcpy(buffer, unc.data(), unc.size() * sizeof(char16_t));
    *Buffer = buffer;
    return NERR_Success;
}

NET_API_STATUS NetResolveComputer(LPCWSTR servername) {
    return Carry<NET_API_STATUS>(
        false, [s = FromPointer(servername)](Provider& p) { return p.ResolveComputer(s); });
}

bool NetworkLogsOn() {
    const Provider* p = ActiveProvider();
    return p != nullptr && p->HasLogOns();
}

NET_API_STATUS NetLogOnAs(LPCWSTR servername) {
    return Carry<NET_API_STATUS>(false,
                                 [s = FromPointer(servername)](Provider& p) { return p.LogOnAs(s); });
}

void NetForgetLogOn(LPCWSTR servername) {
    if (auto provider = ProviderSlot()) provider->ForgetLogOn(FromPointer(servername));
}

NET_API_STATUS GetLocalComputerName(char16_t* name, DWORD* size) {
    if (name == nullptr || size == nullptr) return ERROR_INVALID_PARAMETER;
    Provider* p = ActiveProvider();
    if (p == nullptr) return ERROR_NOT_SUPPORTED;
    std::u16string local;
    const NET_API_STATUS status = p->LocalComputerName(local);
    if (status != NERR_Success) return status;
    if (local.size() + 1 > *size) {
        *size = static_cast<DWORD>(local.size() + 1);
        return ERROR_BUFFER_OVERFLOW;
    }
    std::memcpy(name, local.data(), local.size() * sizeof(char16_t));
    name[local.size()] = 0;
    *size = static_cast<DWORD>(local.size());
    return NERR_Success;
}

}  // namespace netapi
