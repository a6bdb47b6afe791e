#include "ScenarioRecords.h"

#include <cstdint>

#include "text/Text.h"

namespace sim {
namespace {

constexpr NamedBits kServerTypes[] = {
    {"workstation", netapi::SV_TYPE_WORKSTATION},
    {"server", netapi::SV_TYPE_SERVER},
    {"sqlserver", netapi::SV_TYPE_SQLSERVER},
    {"domain_ctrl", netapi::SV_TYPE_DOMAIN_CTRL},
    {"domain_bakctrl", netapi::SV_TYPE_DOMAIN_BAKCTRL},
    {"time_source", netapi::SV_TYPE_TIME_SOURCE},
    {"afp", netapi::SV_TYPE_AFP},
    {"novell", netapi::SV_TYPE_NOVELL},
    {"domain_member", netapi::SV_TYPE_DOMAIN_MEMBER},
    {"printq_server", netapi::SV_TYPE_PRINTQ_SERVER},
    {"dialin_server", netapi::SV_TYPE_DIALIN_SERVER},
    {"xenix_server", netapi::SV_TYPE_XENIX_SERVER},
    {"nt", netapi::SV_TYPE_NT},
    {"wfw", netapi::SV_TYPE_WFW},
    {"server_mfpn", netapi::SV_TYPE_SERVER_MFPN},
    {"server_nt", netapi::SV_TYPE_SERVER_NT},
    {"potential_browser", netapi::SV_TYPE_POTENTIAL_BROWSER},
    {"backup_browser", netapi::SV_TYPE_BACKUP_BROWSER},
    {"master_browser", netapi::SV_TYPE_MASTER_BROWSER},
    {"domain_master", netapi::SV_TYPE_DOMAIN_MASTER},
    {"windows", netapi::SV_TYPE_WINDOWS},
};

constexpr NamedBits kShareTypes[] = {
    {"disk", netapi::STYPE_DISKTREE},
    {"printq", netapi::STYPE_PRINTQ},
    {"device", netapi::STYPE_DEVICE},
    {"ipc", netapi::STYPE_IPC},
};

constexpr NamedBits kPermissions[] = {
    {"read", netapi::PERM_FILE_READ},
    {"write", netapi::PERM_FILE_WRITE},
    {"create", netapi::PERM_FILE_CREATE},
};

constexpr NamedBits kAccountFlags[] = {
    {"script", 0x0001},
    {"accountdisable", 0x0002},
    {"homedir_required", 0x0008},
    {"lockout", 0x0010},
    {"passwd_notreqd", 0x0020},
    {"passwd_cant_change", 0x0040},
    {"encrypted_text_password_allowed", 0x0080},
    {"temp_duplicate_account", 0x0100},
    {"normal_account", 0x0200},
    {"interdomain_trust_account", 0x0800},
    {"workstation_trust_account", 0x1000},
    {"server_trust_account", 0x2000},
    {"dont_expire_passwd", 0x10000},
    {"mns_logon_account", 0x20000},
    {"smartcard_required", 0x40000},
    {"trusted_for_delegation", 0x80000},
    {"not_delegated", 0x100000},
    {"use_des_key_only", 0x200000},
    {"dont_require_preauth", 0x400000},
    {"password_expired", 0x800000},
    {"trusted_to_authenticate_for_delegation", 0x1000000},
};

Fault ReadFault(const JsonReader& r, const json& v, const std::string& place) {
    r.Members(v, place, {"call", "status", "unreachable", "partial", "ids", "names"});
    Fault f;
    const std::string call = text::ToUtf8(r.RequiredString(v, "call", place));
    const auto parsed = CallFromName(call);
    if (!parsed)
        r.Fail(place + "/call",
               "unknown fault call \"" + Clip(call) +
                   "\" (expected NetFileEnum, NetFileClose, NetFileGetInfo, NetSessionEnum, NetSessionDel, "
                   "NetShareEnum, NetConnectionEnum, NetServerEnum, NetServerGetInfo, "
                   "NetServerSetInfo, NetRemoteTOD, NetUserGetInfo, NetUserSetInfo, "
                   "NetMessageBufferSend, GetComputerName, NetShareAdd, NetShareDel, "
                   "NetShareGetInfo or NetShareSetInfo)");
    f.call = *parsed;
    const json* status = JsonReader::Optional(v, "status");
    const json* unreachable = JsonReader::Optional(v, "unreachable");
    const json* partial = JsonReader::Optional(v, "partial");
    if ((status != nullptr) + (unreachable != nullptr) + (partial != nullptr) != 1)
        r.Fail(place, "a fault needs exactly one of \"status\", \"unreachable\" and \"partial\"");
    if (status != nullptr) {
        f.kind = Fault::Kind::Status;
        f.status = r.Dword(*status, place + "/status");
    } else if (unreachable != nullptr) {
        f.kind = Fault::Kind::Unreachable;
        if (unreachable->is_object()) {
            r.Members(*unreachable, place + "/unreachable", {"delay_ms"});
            f.delay_ms = r.OptionalDword(*unreachable, "delay_ms", place + "/unreachable", 0);
        } else if (!unreachable->is_boolean() || !unreachable->get<bool>()) {
            r.Fail(place + "/unreachable",
                   "expected true or an object with \"delay_ms\", found " +
                       (unreachable->is_boolean() ? std::string("false") : TypeName(*unreachable)));
        }
    } else {
        f.kind = Fault::Kind::Partial;
        f.partial = r.Dword(*partial, place + "/partial");
    }
    if (const json* ids = JsonReader::Optional(v, "ids")) {
        r.Array(*ids, place + "/ids");
        for (std::size_t i = 0; i < ids->size(); ++i) f.ids.push_back(r.Dword((*ids)[i], At(place + "/ids", i)));
    }
    if (const json* names = JsonReader::Optional(v, "names")) {
        r.Array(*names, place + "/names");
        for (std::size_t i = 0; i < names->size(); ++i)
            f.names.push_back(r.String((*names)[i], At(place + "/names", i)));
    }
    return f;
}

}  // namespace

std::vector<Fault> ReadFaults(const JsonReader& r, const json& object, const std::string& place) {
    std::vector<Fault> out;
    const json* list = JsonReader::Optional(object, "faults");
    if (list == nullptr) return out;
    r.Array(*list, place + "/faults");
    for (std::size_t i = 0; i < list->size(); ++i)
        out.push_back(ReadFault(r, (*list)[i], At(place + "/faults", i)));
    return out;
}

namespace {

Share ReadShare(const JsonReader& r, const json& v, const std::string& place) {
    r.Members(v, place, {"name", "type", "special", "remark", "path", "max_uses", "permissions", "password"});
    Share s;
    s.name = r.RequiredString(v, "name", place);
    const bool dollar = !s.name.empty() && s.name.back() == u'$';
    const json* type = JsonReader::Optional(v, "type");
    if (type != nullptr && type->is_number()) {
        s.type = r.Dword(*type, place + "/type");
    } else {
        DWORD base = text::EqualsIgnoreCase(s.name, u"IPC$") ? netapi::STYPE_IPC : netapi::STYPE_DISKTREE;
        if (type != nullptr) {
            if (!type->is_string())
                r.Fail(place + "/type", "expected an integer or a type name, found " + TypeName(*type));
            const std::string name = ToLowerAscii(type->get<std::string>());
            bool found = false;
            for (const auto& e : kShareTypes)
                if (e.name == name) {
                    base = e.bits;
                    found = true;
                }
            if (!found)
                r.Fail(place + "/type", "unknown share type \"" + Clip(name) + "\" (expected one of " +
                                            NameList(kShareTypes) + ")");
        }
        s.type = base | (dollar ? netapi::STYPE_SPECIAL : 0);
    }
    if (const json* special = JsonReader::Optional(v, "special")) {
        if (r.Bool(*special, place + "/special")) s.type |= netapi::STYPE_SPECIAL;
        else s.type &= ~netapi::STYPE_SPECIAL;
    }
    s.remark = r.NullableString(v, "remark", place);
    s.path = r.NullableString(v, "path", place);
    s.max_uses = r.OptionalDword(v, "max_uses", place, 0xFFFFFFFFu, true);
    s.permissions = r.OptionalDword(v, "permissions", place, 0);
    s.password = r.NullableString(v, "password", place);
    return s;
}

Session ReadSession(const JsonReader& r, const json& v, const std::string& place) {
    r.Members(v, place, {"client", "user", "transport", "client_type", "time", "idle", "flags"});
    return {.client = r.RequiredString(v, "client", place),
            .user = r.NullableString(v, "user", place),
            .transport = r.NullableString(v, "transport", place),
            .client_type = r.NullableString(v, "client_type", place),
            .time = r.OptionalDword(v, "time", place, 0),
            .idle = r.OptionalDword(v, "idle", place, 0),
            .flags = r.OptionalDword(v, "flags", place, 0)};
}

Connection ReadConnection(const JsonReader& r, const json& v, const std::string& place) {
    r.Members(v, place, {"client", "user", "share", "id", "time", "num_users"});
    return {.client = r.RequiredString(v, "client", place),
            .user = r.NullableString(v, "user", place),
            .share = r.RequiredString(v, "share", place),
            .id = r.DwordIfPresent(v, "id", place),
            .time = r.DwordIfPresent(v, "time", place),
            .num_users = r.OptionalDword(v, "num_users", place, 1)};
}

File ReadFile(const JsonReader& r, const json& v, const std::string& place) {
    r.Members(v, place, {"id", "path", "user", "client", "share", "permissions", "locks"});
    File f;
    f.id = r.RequiredDword(v, "id", place);
    f.path = r.RequiredString(v, "path", place);
    f.user = r.NullableString(v, "user", place);
    f.client = r.StringIfPresent(v, "client", place);
    f.share = r.StringIfPresent(v, "share", place);
    if (const json* p = JsonReader::Optional(v, "permissions"))
        f.permissions = Bits(r, *p, place + "/permissions", kPermissions, "perm_file_");
    f.locks = r.OptionalDword(v, "locks", place, 0);
    return f;
}

netapi::UserInfo3 ReadAccount(const JsonReader& r, const json& v, const std::string& place, std::size_t index) {
    struct StringField {
        const char* key;
        OptString netapi::UserInfo3::*member;
    };
    struct NumberField {
        const char* key;
        DWORD netapi::UserInfo3::*member;
        bool minusOne;
    };
    static constexpr StringField kStrings[] = {
        {"password", &netapi::UserInfo3::password},
        {"home_dir", &netapi::UserInfo3::home_dir},
        {"comment", &netapi::UserInfo3::comment},
        {"script_path", &netapi::UserInfo3::script_path},
        {"full_name", &netapi::UserInfo3::full_name},
        {"usr_comment", &netapi::UserInfo3::usr_comment},
        {"parms", &netapi::UserInfo3::parms},
        {"workstations", &netapi::UserInfo3::workstations},
        {"logon_server", &netapi::UserInfo3::logon_server},
        {"profile", &netapi::UserInfo3::profile},
        {"home_dir_drive", &netapi::UserInfo3::home_dir_drive},
    };
    static constexpr NumberField kNumbers[] = {
        {"password_age", &netapi::UserInfo3::password_age, false},
        {"priv", &netapi::UserInfo3::priv, false},
        {"auth_flags", &netapi::UserInfo3::auth_flags, false},
        {"last_logon", &netapi::UserInfo3::last_logon, false},
        {"last_logoff", &netapi::UserInfo3::last_logoff, false},
        {"acct_expires", &netapi::UserInfo3::acct_expires, true},
        {"max_storage", &netapi::UserInfo3::max_storage, true},
        {"units_per_week", &netapi::UserInfo3::units_per_week, false},
        {"bad_pw_count", &netapi::UserInfo3::bad_pw_count, false},
        {"num_logons", &netapi::UserInfo3::num_logons, false},
        {"country_code", &netapi::UserInfo3::country_code, false},
        {"code_page", &netapi::UserInfo3::code_page, false},
        {"user_id", &netapi::UserInfo3::user_id, false},
        {"primary_group_id", &netapi::UserInfo3::primary_group_id, false},
        {"password_expired", &netapi::UserInfo3::password_expired, false},
    };
    r.Object(v, place);
    for (const auto& [key, value] : v.items()) {
        if (key.empty() || key[0] == '_' || key == "name" || key == "flags" || key == "logon_hours")
            continue;
        bool known = false;
        for (const auto& s : kStrings) known = known || key == s.key;
        for (const auto& n : kNumbers) known = known || key == n.key;
        if (!known) r.Fail(place, "unknown field \"" + Clip(key) + "\"");
    }
    netapi::UserInfo3 a;
    a.flags = netapi::UF_SCRIPT | netapi::UF_NORMAL_ACCOUNT;
    a.user_id = static_cast<DWORD>(1000 + index);
    a.name = r.RequiredString(v, "name", place);
    for (const auto& s : kStrings) a.*s.member = r.NullableString(v, s.key, place);
    for (const auto& n : kNumbers) a.*n.member = r.OptionalDword(v, n.key, place, a.*n.member, n.minusOne);
    if (const json* flags = JsonReader::Optional(v, "flags"))
        a.flags = Bits(r, *flags, place + "/flags", kAccountFlags, "uf_");
    if (const json* hours = JsonReader::Optional(v, "logon_hours"); hours != nullptr && !hours->is_null()) {
        const std::string at = place + "/logon_hours";
        r.Array(*hours, at);
        if (hours->size() != netapi::LOGON_HOURS_BYTES)
            r.Fail(at, "expected 21 numbers (one bit an hour of the week), found " +
                           std::to_string(hours->size()));
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < hours->size(); ++i)
            bytes.push_back(static_cast<std::uint8_t>(r.Integer((*hours)[i], At(at, i), 0, 255)));
        a.logon_hours = std::move(bytes);
    }
    return a;
}

Activity ReadActivity(const JsonReader& r, const json& v, const std::string& place) {
    r.Members(v, place, {"seed", "period_ms", "paths", "min_files", "max_files"});
    Activity a;
    if (const json* seed = JsonReader::Optional(v, "seed")) {
        if (seed->is_number_unsigned()) a.seed = seed->get<std::uint64_t>();
        else if (seed->is_number_integer()) r.Fail(place + "/seed", "out of range: a seed cannot be negative");
        else r.Fail(place + "/seed", "expected an integer, found " + TypeName(*seed));
    }
    a.period_ms = r.OptionalDword(v, "period_ms", place, a.period_ms);
    if (const json* paths = JsonReader::Optional(v, "paths")) {
        r.Array(*paths, place + "/paths");
        for (std::size_t i = 0; i < paths->size(); ++i) {
            a.paths.push_back(r.String((*paths)[i], At(place + "/paths", i)));
            if (a.paths.back().empty()) r.Fail(At(place + "/paths", i), "a path cannot be empty");
        }
    }
    a.min_files = r.DwordIfPresent(v, "min_files", place);
    a.max_files = r.DwordIfPresent(v, "max_files", place);
    return a;
}

template <typename Item, typename ReadOne>
std::vector<Item> ReadList(const JsonReader& r, const json& object, const char* key,
                           const std::string& place, ReadOne readOne) {
    std::vector<Item> out;
    const json* list = JsonReader::Optional(object, key);
    if (list == nullptr) return out;
    const std::string at = place + "/" + key;
    r.Array(*list, at);
    out.reserve(list->size());
    for (std::size_t i = 0; i < list->size(); ++i) out.push_back(readOne((*list)[i], At(at, i), i));
    return out;
}

}  // namespace

Computer ReadComputer(const JsonReader& r, const json& v, const std::string& place) {
    r.Members(v, place,
              {"name", "local", "type", "platform_id", "version_major", "version_minor", "comment",
               "clock_offset", "timezone", "unreachable", "shares", "sessions", "connections",
               "files", "accounts", "messenger_names", "faults", "activity"});
    Computer c;
    c.name = r.RequiredString(v, "name", place);
    if (const json* local = JsonReader::Optional(v, "local")) c.local = r.Bool(*local, place + "/local");
    if (const json* type = JsonReader::Optional(v, "type"))
        c.type = Bits(r, *type, place + "/type", kServerTypes, "sv_type_");
    c.platform_id = r.OptionalDword(v, "platform_id", place, c.platform_id);
    c.version_major = r.OptionalDword(v, "version_major", place, c.version_major);
    c.version_minor = r.OptionalDword(v, "version_minor", place, c.version_minor);
    c.comment = r.NullableString(v, "comment", place);
    if (const json* offset = JsonReader::Optional(v, "clock_offset"))
        c.clock_offset = r.Integer(*offset, place + "/clock_offset", INT64_MIN, INT64_MAX);
    if (const json* tz = JsonReader::Optional(v, "timezone"))
        c.timezone = static_cast<netapi::LONG>(r.Integer(*tz, place + "/timezone", INT32_MIN, INT32_MAX));
    if (const json* u = JsonReader::Optional(v, "unreachable")) {
        const std::string at = place + "/unreachable";
        if (u->is_object()) {
            r.Members(*u, at, {"delay_ms"});
            c.unreachable_delay_ms = r.OptionalDword(*u, "delay_ms", at, 0);
        } else if (r.Bool(*u, at)) {
            c.unreachable_delay_ms = 0;
        }
    }
    c.shares = ReadList<Share>(r, v, "shares", place,
                               [&](const json& e, const std::string& at, std::size_t) { return ReadShare(r, e, at); });
    c.sessions = ReadList<Session>(r, v, "sessions", place, [&](const json& e, const std::string& at, std::size_t) {
        return ReadSession(r, e, at);
    });
    if (JsonReader::Optional(v, "connections") != nullptr)
        c.connections = ReadList<Connection>(r, v, "connections", place,
                                             [&](const json& e, const std::string& at, std::size_t) {
                                                 return ReadConnection(r, e, at);
                                             });
    c.files = ReadList<File>(r, v, "files", place,
                             [&](const json& e, const std::string& at, std::size_t) { return ReadFile(r, e, at); });
    c.accounts = ReadList<netapi::UserInfo3>(
        r, v, "accounts", place,
        [&](const json& e, const std::string& at, std::size_t i) { return ReadAccount(r, e, at, i); });
    c.messenger_names = ReadList<std::u16string>(
        r, v, "messenger_names", place,
        [&](const json& e, const std::string& at, std::size_t) { return r.String(e, at); });
    c.faults = ReadFaults(r, v, place);
    if (const json* activity = JsonReader::Optional(v, "activity"))
        c.activity = ReadActivity(r, *activity, place + "/activity");
    return c;
}

}  // namespace sim
