#pragma once
// The words of the network management interface: its integer types, status
// codes, flags and records, with the platform's names and published values.
// The provider interface and the call control speak them without the calls.
#include <cstddef>
#include <cstdint>

namespace netapi {

using DWORD = std::uint32_t;
using LONG = std::int32_t;
using NET_API_STATUS = std::uint32_t;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using LPBYTE = std::uint8_t*;

// Status codes (published values).
constexpr NET_API_STATUS NERR_Success = 0;
constexpr NET_API_STATUS ERROR_FILE_NOT_FOUND = 2;
constexpr NET_API_STATUS ERROR_ACCESS_DENIED = 5;
constexpr NET_API_STATUS ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr NET_API_STATUS ERROR_NOT_SUPPORTED = 50;
// What Samba answers for a share name already in use (Windows: NERR_DuplicateShare).
constexpr NET_API_STATUS ERROR_FILE_EXISTS = 80;
constexpr NET_API_STATUS ERROR_BAD_NETPATH = 53;
constexpr NET_API_STATUS ERROR_NETNAME_DELETED = 64;
constexpr NET_API_STATUS ERROR_BAD_NET_NAME = 67;
constexpr NET_API_STATUS ERROR_INVALID_PASSWORD = 86;
constexpr NET_API_STATUS ERROR_INVALID_PARAMETER = 87;
constexpr NET_API_STATUS ERROR_BUFFER_OVERFLOW = 111;
constexpr NET_API_STATUS ERROR_INVALID_NAME = 123;
constexpr NET_API_STATUS ERROR_INVALID_LEVEL = 124;
constexpr NET_API_STATUS ERROR_BUSY = 170;
constexpr NET_API_STATUS ERROR_MORE_DATA = 234;
constexpr NET_API_STATUS ERROR_LOGON_FAILURE = 1326;
constexpr NET_API_STATUS ERROR_SOME_NOT_MAPPED = 1301;
constexpr NET_API_STATUS ERROR_NONE_MAPPED = 1332;
constexpr NET_API_STATUS ERROR_INVALID_SECURITY_DESCR = 1338;
constexpr NET_API_STATUS RPC_S_SERVER_UNAVAILABLE = 1722;
constexpr NET_API_STATUS RPC_S_CALL_FAILED = 1726;
constexpr NET_API_STATUS RPC_S_PROTOCOL_ERROR = 1728;
constexpr NET_API_STATUS RPC_S_PROCNUM_OUT_OF_RANGE = 1745;
constexpr NET_API_STATUS RPC_X_BAD_STUB_DATA = 1783;
constexpr NET_API_STATUS NERR_WkstaNotStarted = 2138;
constexpr NET_API_STATUS NERR_ServerNotStarted = 2114;
constexpr NET_API_STATUS NERR_UnknownDevDir = 2116;     // the share's path does not exist
constexpr NET_API_STATUS NERR_DuplicateShare = 2118;
constexpr NET_API_STATUS NERR_UserNotFound = 2221;
constexpr NET_API_STATUS NERR_NameNotFound = 2273;
constexpr NET_API_STATUS NERR_NetNameNotFound = 2310;
constexpr NET_API_STATUS NERR_ClientNameNotFound = 2312;
constexpr NET_API_STATUS NERR_FileIdNotFound = 2314;
constexpr NET_API_STATUS NERR_DCNotFound = 2453;
constexpr NET_API_STATUS WSAHOST_NOT_FOUND = 11001;  // a name that does not resolve

constexpr DWORD MAX_PREFERRED_LENGTH = 0xFFFFFFFFu;  // -1

// Server types (NetServerEnum mask, sv101_type).
constexpr DWORD SV_TYPE_WORKSTATION = 0x00000001;
constexpr DWORD SV_TYPE_SERVER = 0x00000002;
constexpr DWORD SV_TYPE_SQLSERVER = 0x00000004;
constexpr DWORD SV_TYPE_DOMAIN_CTRL = 0x00000008;
constexpr DWORD SV_TYPE_DOMAIN_BAKCTRL = 0x00000010;
constexpr DWORD SV_TYPE_TIME_SOURCE = 0x00000020;
constexpr DWORD SV_TYPE_AFP = 0x00000040;
constexpr DWORD SV_TYPE_NOVELL = 0x00000080;
constexpr DWORD SV_TYPE_DOMAIN_MEMBER = 0x00000100;
constexpr DWORD SV_TYPE_PRINTQ_SERVER = 0x00000200;
constexpr DWORD SV_TYPE_DIALIN_SERVER = 0x00000400;
constexpr DWORD SV_TYPE_XENIX_SERVER = 0x00000800;
constexpr DWORD SV_TYPE_NT = 0x00001000;
constexpr DWORD SV_TYPE_WFW = 0x00002000;
constexpr DWORD SV_TYPE_SERVER_MFPN = 0x00004000;
constexpr DWORD SV_TYPE_SERVER_NT = 0x00008000;
constexpr DWORD SV_TYPE_POTENTIAL_BROWSER = 0x00010000;
constexpr DWORD SV_TYPE_BACKUP_BROWSER = 0x00020000;
constexpr DWORD SV_TYPE_MASTER_BROWSER = 0x00040000;
constexpr DWORD SV_TYPE_DOMAIN_MASTER = 0x00080000;
constexpr DWORD SV_TYPE_WINDOWS = 0x00400000;
constexpr DWORD SV_TYPE_ALL = 0xFFFFFFFFu;

constexpr DWORD PLATFORM_ID_NT = 500;

// Open-file permissions.
constexpr DWORD PERM_FILE_READ = 0x1;
constexpr DWORD PERM_FILE_WRITE = 0x2;
constexpr DWORD PERM_FILE_CREATE = 0x4;
constexpr DWORD ACCESS_EXEC = 0x8;  // also reported in fi3_permissions

// Session flags.
constexpr DWORD SESS_GUEST = 0x1;
constexpr DWORD SESS_NOENCRYPTION = 0x2;

// Share types.
constexpr DWORD STYPE_DISKTREE = 0;
constexpr DWORD STYPE_PRINTQ = 1;
constexpr DWORD STYPE_DEVICE = 2;
constexpr DWORD STYPE_IPC = 3;
constexpr DWORD STYPE_SPECIAL = 0x80000000u;

// Share management: an unlimited user count, the offline (client-side
// caching) settings of shi1005_flags, and the parameter numbers a failed
// NetShareAdd or NetShareSetInfo names in parm_err.
constexpr DWORD SHI_USES_UNLIMITED = 0xFFFFFFFFu;
constexpr DWORD CSC_MASK = 0x0030;
constexpr DWORD CSC_CACHE_MANUAL_REINT = 0x0000;
constexpr DWORD CSC_CACHE_AUTO_REINT = 0x0010;
constexpr DWORD CSC_CACHE_VDO = 0x0020;
constexpr DWORD CSC_CACHE_NONE = 0x0030;
constexpr DWORD SHI1005_FLAGS_DFS = 0x0001;
constexpr DWORD SHI1005_FLAGS_DFS_ROOT = 0x0002;
constexpr DWORD SHI1005_FLAGS_ACCESS_BASED_DIRECTORY_ENUM = 0x0800;
constexpr DWORD SHARE_NETNAME_PARMNUM = 1;
constexpr DWORD SHARE_TYPE_PARMNUM = 3;
constexpr DWORD SHARE_REMARK_PARMNUM = 4;
constexpr DWORD SHARE_PERMISSIONS_PARMNUM = 5;
constexpr DWORD SHARE_MAX_USES_PARMNUM = 6;
constexpr DWORD SHARE_CURRENT_USES_PARMNUM = 7;
constexpr DWORD SHARE_PATH_PARMNUM = 8;
constexpr DWORD SHARE_PASSWD_PARMNUM = 9;
constexpr DWORD SHARE_FILE_SD_PARMNUM = 501;
// The longest share name Windows accepts.
constexpr std::size_t NNLEN = 80;

// Account flags.
constexpr DWORD UF_SCRIPT = 0x0001;
constexpr DWORD UF_ACCOUNTDISABLE = 0x0002;
constexpr DWORD UF_HOMEDIR_REQUIRED = 0x0008;
constexpr DWORD UF_LOCKOUT = 0x0010;
constexpr DWORD UF_PASSWD_NOTREQD = 0x0020;
constexpr DWORD UF_PASSWD_CANT_CHANGE = 0x0040;
constexpr DWORD UF_NORMAL_ACCOUNT = 0x0200;
constexpr DWORD UF_DONT_EXPIRE_PASSWD = 0x10000;

struct FILE_INFO_3 {
    DWORD fi3_id;
    DWORD fi3_permissions;
    DWORD fi3_num_locks;
    LPWSTR fi3_pathname;
    LPWSTR fi3_username;
};

struct SESSION_INFO_502 {
    LPWSTR sesi502_cname;
    LPWSTR sesi502_username;
    DWORD sesi502_num_opens;
    DWORD sesi502_time;
    DWORD sesi502_idle_time;
    DWORD sesi502_user_flags;
    LPWSTR sesi502_cltype_name;
    LPWSTR sesi502_transport;
};

// The level anyone may ask for when 502 is refused: no counts, no transport.
struct SESSION_INFO_10 {
    LPWSTR sesi10_cname;
    LPWSTR sesi10_username;
    DWORD sesi10_time;
    DWORD sesi10_idle_time;
};

// The level anyone may ask for when 2 is refused: no uses, path or permissions.
struct SHARE_INFO_1 {
    LPWSTR shi1_netname;
    DWORD shi1_type;
    LPWSTR shi1_remark;
};

struct SHARE_INFO_2 {
    LPWSTR shi2_netname;
    DWORD shi2_type;
    LPWSTR shi2_remark;
    DWORD shi2_permissions;
    DWORD shi2_max_uses;
    DWORD shi2_current_uses;
    LPWSTR shi2_path;
    LPWSTR shi2_passwd;
};

using PSECURITY_DESCRIPTOR = void*;  // a self-relative descriptor

struct SHARE_INFO_502 {
    LPWSTR shi502_netname;
    DWORD shi502_type;
    LPWSTR shi502_remark;
    DWORD shi502_permissions;
    DWORD shi502_max_uses;
    DWORD shi502_current_uses;
    LPWSTR shi502_path;
    LPWSTR shi502_passwd;
    DWORD shi502_reserved;
    PSECURITY_DESCRIPTOR shi502_security_descriptor;
};

struct SHARE_INFO_1004 {
    LPWSTR shi1004_remark;
};

struct SHARE_INFO_1005 {
    DWORD shi1005_flags;
};

struct SHARE_INFO_1006 {
    DWORD shi1006_max_uses;
};

struct SHARE_INFO_1501 {
    DWORD shi1501_reserved;
    PSECURITY_DESCRIPTOR shi1501_security_descriptor;
};

struct CONNECTION_INFO_1 {
    DWORD coni1_id;
    DWORD coni1_type;
    DWORD coni1_num_opens;
    DWORD coni1_num_users;
    DWORD coni1_time;
    LPWSTR coni1_username;
    LPWSTR coni1_netname;
};

struct SERVER_INFO_101 {
    DWORD sv101_platform_id;
    LPWSTR sv101_name;
    DWORD sv101_version_major;
    DWORD sv101_version_minor;
    DWORD sv101_type;
    LPWSTR sv101_comment;
};

struct SERVER_INFO_1005 {
    LPWSTR sv1005_comment;
};

struct TIME_OF_DAY_INFO {
    DWORD tod_elapsedt;
    DWORD tod_msecs;
    DWORD tod_hours;
    DWORD tod_mins;
    DWORD tod_secs;
    DWORD tod_hunds;
    LONG tod_timezone;  // minutes west of UTC, negative east of it
    DWORD tod_tinterval;
    DWORD tod_day;
    DWORD tod_month;
    DWORD tod_year;
    DWORD tod_weekday;
};

struct USER_INFO_3 {
    LPWSTR usri3_name;
    LPWSTR usri3_password;
    DWORD usri3_password_age;
    DWORD usri3_priv;
    LPWSTR usri3_home_dir;
    LPWSTR usri3_comment;
    DWORD usri3_flags;
    LPWSTR usri3_script_path;
    DWORD usri3_auth_flags;
    LPWSTR usri3_full_name;
    LPWSTR usri3_usr_comment;
    LPWSTR usri3_parms;
    LPWSTR usri3_workstations;
    DWORD usri3_last_logon;
    DWORD usri3_last_logoff;
    DWORD usri3_acct_expires;
    DWORD usri3_max_storage;
    DWORD usri3_units_per_week;
    LPBYTE usri3_logon_hours;  // 21 bytes, one bit an hour of the week
    DWORD usri3_bad_pw_count;
    DWORD usri3_num_logons;
    LPWSTR usri3_logon_server;
    DWORD usri3_country_code;
    DWORD usri3_code_page;
    DWORD usri3_user_id;
    DWORD usri3_primary_group_id;
    LPWSTR usri3_profile;
    LPWSTR usri3_home_dir_drive;
    DWORD usri3_password_expired;
};
constexpr std::size_t LOGON_HOURS_BYTES = 21;

// A session a desktop message reached (the platform's WTS_SESSION_INFOW).
struct WTS_SESSION_INFOW {
    DWORD SessionId;
    LPWSTR pWinStationName;
    DWORD State;
};

}  // namespace netapi
