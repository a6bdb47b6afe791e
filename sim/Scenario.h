#pragma once
// A whole simulated network as plain values: what a scenario file describes,
// and what benchmarks and tests build directly when JSON would be too slow or
// too roundabout. SimulatedNetwork checks it when it is built.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "netenum/Provider.h"

namespace sim {

using netapi::DWORD;
using netapi::OptString;

// The calls a fault can be attached to. NetServerEnum is network-wide; every
// other call belongs to one computer.
enum class Call {
    NetFileEnum,
    NetFileClose,
    NetFileGetInfo,
    NetSessionEnum,
    NetSessionDel,
    NetShareEnum,
    NetConnectionEnum,
    NetServerGetInfo,
    NetServerSetInfo,
    NetRemoteTOD,
    NetUserGetInfo,
    NetUserSetInfo,
    NetMessageBufferSend,
    GetComputerName,
    NetServerEnum,
    NetShareAdd,
    NetShareDel,
    NetShareGetInfo,
    NetShareSetInfo,
};

struct Fault {
    enum class Kind { Status, Unreachable, Partial };

    Call call = Call::NetFileEnum;
    Kind kind = Kind::Status;
    DWORD status = 0;    // Status: the code answered
    DWORD delay_ms = 0;  // Unreachable: 53 after this long
    DWORD partial = 0;   // Partial: 234 with this many leading records
    // When not empty, the fault hits only these file ids (NetFileClose,
    // NetFileGetInfo) or
    // these names (user, recipient, client or qualifier, case-insensitive).
    std::vector<DWORD> ids{};
    std::vector<std::u16string> names{};

    static Fault Status(Call call, DWORD status) { return {.call = call, .status = status}; }
    static Fault Unreachable(Call call, DWORD delayMs) {
        return {.call = call, .kind = Kind::Unreachable, .delay_ms = delayMs};
    }
    static Fault Partial(Call call, DWORD records) {
        return {.call = call, .kind = Kind::Partial, .partial = records};
    }
};

struct Share {
    std::u16string name;
    DWORD type = netapi::STYPE_DISKTREE;  // STYPE_SPECIAL included
    OptString remark;
    OptString path;
    DWORD max_uses = 0xFFFFFFFFu;
    DWORD permissions = 0;
    OptString password;
    DWORD flags = netapi::CSC_CACHE_MANUAL_REINT;  // shi1005_flags
    // Self-relative; nullopt: Everyone may do everything, as a new share on
    // Samba starts.
    std::optional<std::vector<std::uint8_t>> security_descriptor{};
};

struct Session {
    std::u16string client;  // bare client computer name (or address)
    OptString user;
    OptString transport;
    OptString client_type;
    DWORD time = 0;  // seconds since the session began
    DWORD idle = 0;  // seconds since the client last did something
    DWORD flags = 0;
};

// An explicit tree connection of a session to a share; its open count always
// comes from the open files.
struct Connection {
    std::u16string client;
    OptString user;  // nullopt: the client's first session
    std::u16string share;
    std::optional<DWORD> id;    // nullopt: numbered in order
    std::optional<DWORD> time;  // nullopt: the session's time
    DWORD num_users = 1;
};

struct File {
    DWORD id = 0;
    DWORD permissions = netapi::PERM_FILE_READ;
    DWORD locks = 0;
    std::u16string path;
    OptString user;
    OptString client;  // nullopt: the user's first session
    OptString share;   // nullopt: found from the path
};

// Files opened and closed as time passes: each elapsed period is one step.
struct Activity {
    std::uint64_t seed = 1;
    DWORD period_ms = 5000;
    std::vector<std::u16string> paths;  // what steps open
    std::optional<DWORD> min_files;     // nullopt: 10 fewer than at start
    std::optional<DWORD> max_files;     // nullopt: 10 more than at start
};

struct Computer {
    std::u16string name;
    DWORD type = netapi::SV_TYPE_WORKSTATION | netapi::SV_TYPE_SERVER | netapi::SV_TYPE_NT;
    DWORD platform_id = netapi::PLATFORM_ID_NT;
    DWORD version_major = 10;
    DWORD version_minor = 0;
    OptString comment;
    std::int64_t clock_offset = 0;  // seconds added to the real clock
    netapi::LONG timezone = 0;      // minutes west of UTC
    bool local = false;
    std::optional<DWORD> unreachable_delay_ms;  // set: every call answers 53

    std::vector<Share> shares;
    std::vector<Session> sessions;
    std::optional<std::vector<Connection>> connections;  // nullopt: derived
    std::vector<File> files;
    std::vector<netapi::UserInfo3> accounts;
    std::vector<std::u16string> messenger_names;
    std::vector<Fault> faults;
    std::optional<Activity> activity;
};

struct Scenario {
    std::vector<Computer> computers;
    std::vector<Fault> faults;  // network-wide (NetServerEnum)
};

// The published call name ("NetFileEnum"), and back; nullopt for an unknown name.
const char* CallName(Call call);
std::optional<Call> CallFromName(std::string_view name);

}  // namespace sim
