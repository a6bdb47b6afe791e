#include "PackRecords.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace netapi {
namespace {

struct LiveBuffers {
    std::mutex lock;
    std::unordered_set<void*> live;
};

LiveBuffers& Live() {
    static LiveBuffers buffers;
    return buffers;
}

std::optional<std::vector<std::uint8_t>> LogonHours(LPBYTE hours) {
    if (hours == nullptr) return std::nullopt;
    return std::vector<std::uint8_t>(hours, hours + LOGON_HOURS_BYTES);
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

void Fill(SHARE_INFO_2& o, const ShareDetails& r, Cursor& c) {
    o = {.shi2_netname = c.Str(r.netname), .shi2_type = r.type, .shi2_remark = c.Str(r.remark),
         .shi2_permissions = r.permissions, .shi2_max_uses = r.max_uses,
         .shi2_current_uses = r.current_uses, .shi2_path = c.Str(r.path),
         .shi2_passwd = c.Str(r.passwd)};
}

void Fill(SHARE_INFO_502& o, const ShareDetails& r, Cursor& c) {
    o = {.shi502_netname = c.Str(r.netname), .shi502_type = r.type,
         .shi502_remark = c.Str(r.remark), .shi502_permissions = r.permissions,
         .shi502_max_uses = r.max_uses, .shi502_current_uses = r.current_uses,
         .shi502_path = c.Str(r.path), .shi502_passwd = c.Str(r.passwd),
         .shi502_reserved = r.reserved,
         .shi502_security_descriptor = c.Bytes(r.security_descriptor)};
}

void Fill(SHARE_INFO_1005& o, const ShareDetails& r, Cursor&) { o = {.shi1005_flags = r.flags}; }

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

constexpr std::size_t AlignUp(std::size_t n) {
    return (n + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
}

}  // namespace

std::uint8_t* Allocate(std::size_t bytes) {
    auto* p = static_cast<std::uint8_t*>(std::malloc(bytes == 0 ? 1 : bytes));
    if (p == nullptr) return nullptr;
    std::memset(p, 0, bytes == 0 ? 1 : bytes);
    auto& l = Live();
    std::lock_guard<std::mutex> guard(l.lock);
    l.live.insert(p);
    return p;
}

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

// The records the calls hand out.
template std::uint8_t* Pack<FILE_INFO_3>(const FileInfo3*, std::size_t);
template std::uint8_t* Pack<SESSION_INFO_502>(const SessionInfo502*, std::size_t);
template std::uint8_t* Pack<SESSION_INFO_10>(const SessionInfo502*, std::size_t);
template std::uint8_t* Pack<SHARE_INFO_1>(const ShareInfo2*, std::size_t);
template std::uint8_t* Pack<SHARE_INFO_2>(const ShareInfo2*, std::size_t);
template std::uint8_t* Pack<SHARE_INFO_2>(const ShareDetails*, std::size_t);
template std::uint8_t* Pack<SHARE_INFO_502>(const ShareDetails*, std::size_t);
template std::uint8_t* Pack<SHARE_INFO_1005>(const ShareDetails*, std::size_t);
template std::uint8_t* Pack<WTS_SESSION_INFOW>(const DesktopSession*, std::size_t);
template std::uint8_t* Pack<CONNECTION_INFO_1>(const ConnectionInfo1*, std::size_t);
template std::uint8_t* Pack<SERVER_INFO_101>(const ServerInfo101*, std::size_t);
template std::uint8_t* Pack<TIME_OF_DAY_INFO>(const TimeOfDay*, std::size_t);
template std::uint8_t* Pack<USER_INFO_3>(const UserInfo3*, std::size_t);

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

ShareDetails Unpack(const SHARE_INFO_2& i) {
    return {.netname = FromPointer(i.shi2_netname), .type = i.shi2_type,
            .remark = FromPointer(i.shi2_remark), .permissions = i.shi2_permissions,
            .max_uses = i.shi2_max_uses, .current_uses = i.shi2_current_uses,
            .path = FromPointer(i.shi2_path), .passwd = FromPointer(i.shi2_passwd),
            .security_descriptor = std::nullopt, .flags = 0};
}

ShareDetails Unpack(const SHARE_INFO_502& i) {
    ShareDetails d{.netname = FromPointer(i.shi502_netname), .type = i.shi502_type,
                   .remark = FromPointer(i.shi502_remark), .permissions = i.shi502_permissions,
                   .max_uses = i.shi502_max_uses, .current_uses = i.shi502_current_uses,
                   .path = FromPointer(i.shi502_path), .passwd = FromPointer(i.shi502_passwd),
                   .reserved = i.shi502_reserved,
                   .security_descriptor = UnpackDescriptor(i.shi502_security_descriptor),
                   .flags = 0};
    return d;
}

std::optional<std::vector<std::uint8_t>> UnpackDescriptor(PSECURITY_DESCRIPTOR sd) {
    const auto* bytes = static_cast<const std::uint8_t*>(sd);
    const std::size_t length = SelfRelativeLength(bytes);
    if (length == 0) return std::nullopt;
    return std::vector<std::uint8_t>(bytes, bytes + length);
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

}  // namespace netapi
