#include "Samr.h"

#include "NdrReader.h"
#include "NdrWriter.h"

namespace smb::samr {
namespace {

void WriteHandle(NdrWriter& w, const Handle& h) {
    w.Align(4);
    w.Bytes(h.data(), h.size());
}

bool ReadHandle(NdrReader& r, Handle& h) { return r.Align(4) && r.Bytes(h.data(), h.size()); }

// An RPC_UNICODE_STRING: lengths in bytes, the buffer behind a pointer.
void WriteCountedHeader(NdrWriter& w, const std::u16string& s) {
    const auto bytes = static_cast<std::uint16_t>(s.size() * 2);
    w.U16(bytes);
    w.U16(bytes);
    w.U32(w.Referent());
}

void WriteSidBody(NdrWriter& w, const Sid& sid) {
    w.U32(static_cast<std::uint32_t>(sid.subAuthorities.size()));
    w.U8(sid.revision);
    w.U8(static_cast<std::uint8_t>(sid.subAuthorities.size()));
    w.Bytes(sid.authority.data(), sid.authority.size());
    for (std::uint32_t s : sid.subAuthorities) w.U32(s);
}

// A conformant RPC_SID: the count twice (conformance, then in the SID), the
// authority, the sub-authorities.
bool ReadSid(NdrReader& r, Sid& sid) {
    std::uint32_t count = 0;
    std::uint8_t subCount = 0;
    if (!r.U32(count) || !r.U8(sid.revision) || !r.U8(subCount) ||
        !r.Bytes(sid.authority.data(), sid.authority.size()))
        return false;
    // A SID has at most 15 sub-authorities; the two counts must agree.
    if (count != subCount || count > 15) return false;
    sid.subAuthorities.resize(count);
    for (auto& s : sid.subAuthorities)
        if (!r.U32(s)) return false;
    return true;
}

bool ReadNtTime(NdrReader& r, std::uint64_t& t) {
    std::uint32_t low = 0, high = 0;
    if (!r.U32(low) || !r.U32(high)) return false;
    t = static_cast<std::uint64_t>(high) << 32 | low;
    return true;
}

// NTTIME (100 ns since 1601) to Unix seconds; 0 and "never" stay 0.
std::int64_t NtTimeToUnix(std::uint64_t t) {
    constexpr std::uint64_t kEpochDelta = 116444736000000000ull;
    if (t == 0 || t >= 0x7FFFFFFFFFFFFFFFull || t < kEpochDelta) return 0;
    return static_cast<std::int64_t>((t - kEpochDelta) / 10000000ull);
}

DWORD ClampSeconds(std::int64_t s) {
    if (s <= 0) return 0;
    if (s >= 0xFFFFFFFFll) return 0xFFFFFFFEu;
    return static_cast<DWORD>(s);
}

struct FlagPair {
    std::uint32_t acb;
    DWORD uf;
};
constexpr FlagPair kFlagPairs[] = {
    {0x00000001, 0x00000002},  // disabled
    {0x00000002, 0x00000008},  // home directory required
    {0x00000004, 0x00000020},  // password not required
    {0x00000008, 0x00000100},  // temporary duplicate account
    {0x00000010, 0x00000200},  // normal account
    {0x00000020, 0x00020000},  // MNS logon account
    {0x00000040, 0x00000800},  // interdomain trust
    {0x00000080, 0x00001000},  // workstation trust
    {0x00000100, 0x00002000},  // server trust
    {0x00000200, 0x00010000},  // password does not expire
    {0x00000400, 0x00000010},  // locked out
    {0x00000800, 0x00000080},  // encrypted text password allowed
    {0x00001000, 0x00040000},  // smartcard required
    {0x00002000, 0x00080000},  // trusted for delegation
    {0x00004000, 0x00100000},  // not delegated
    {0x00008000, 0x00200000},  // DES keys only
    {0x00010000, 0x00400000},  // no Kerberos pre-authentication
    {0x00020000, 0x00800000},  // password expired
    {0x00040000, 0x01000000},  // trusted to authenticate for delegation
    {0x00080000, 0x02000000},  // no authorization data required
};

}  // namespace

Stub EncodeConnect2(const std::u16string& server, std::uint32_t access) {
    NdrWriter w;
    w.UniqueString(server);
    w.U32(access);
    return w.Take();
}

Stub EncodeConnect5(const std::u16string& server, std::uint32_t access) {
    NdrWriter w;
    w.UniqueString(server);
    w.U32(access);
    w.U32(1);  // InVersion
    w.U32(1);  // the union's arm
    w.U32(3);  // Revision
    w.U32(0);  // SupportedFeatures
    return w.Take();
}

Stub EncodeClose(const Handle& handle) {
    NdrWriter w;
    WriteHandle(w, handle);
    return w.Take();
}

Stub EncodeEnumDomains(const Handle& server, std::uint32_t resume) {
    NdrWriter w;
    WriteHandle(w, server);
    w.U32(resume);
    w.U32(0xFFFFFFFFu);
    return w.Take();
}

Stub EncodeLookupDomain(const Handle& server, const std::u16string& domain) {
    NdrWriter w;
    WriteHandle(w, server);
    WriteCountedHeader(w, domain);
    w.CountedStringBody(domain);
    return w.Take();
}

Stub EncodeOpenDomain(const Handle& server, std::uint32_t access, const Sid& sid) {
    NdrWriter w;
    WriteHandle(w, server);
    w.U32(access);
    WriteSidBody(w, sid);
    return w.Take();
}

Stub EncodeLookupName(const Handle& domain, const std::u16string& name) {
    NdrWriter w;
    WriteHandle(w, domain);
    w.U32(1);     // num_names
    w.U32(1000);  // max count of the names array
    w.U32(0);     // offset
    w.U32(1);     // actual count
    WriteCountedHeader(w, name);
    w.CountedStringBody(name);
    return w.Take();
}

Stub EncodeOpenUser(const Handle& domain, std::uint32_t access, std::uint32_t rid) {
    NdrWriter w;
    WriteHandle(w, domain);
    w.U32(access);
    w.U32(rid);
    return w.Take();
}

Stub EncodeQueryUserInfo(const Handle& user, std::uint16_t level) {
    NdrWriter w;
    WriteHandle(w, user);
    w.U16(level);
    return w.Take();
}

Stub EncodeSetUserControl(const Handle& user, std::uint32_t acctFlags) {
    NdrWriter w;
    WriteHandle(w, user);
    w.U16(kUserControlInformation);
    w.U16(kUserControlInformation);  // union arm
    w.U32(acctFlags);
    return w.Take();
}

NET_API_STATUS DecodeHandle(Bytes stub, Handle& handle, std::uint32_t& ntstatus) {
    NdrReader r(stub);
    if (!ReadHandle(r, handle) || !r.U32(ntstatus)) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

NET_API_STATUS DecodeConnect5(Bytes stub, Handle& handle, std::uint32_t& ntstatus) {
    NdrReader r(stub);
    std::uint32_t version = 0, arm = 0;
    if (!r.U32(version) || !r.U32(arm) || arm != version) return RPC_S_PROTOCOL_ERROR;
    // Revision 1 is the only one there is; a failure may come with none
    // filled in, the handle and the status right behind.
    constexpr std::size_t kTail = 20 + 4;
    if (version == 1 || r.Remaining() != kTail) {
        std::uint32_t revision = 0, features = 0;
        if (version != 1 || !r.U32(revision) || !r.U32(features)) return RPC_S_PROTOCOL_ERROR;
    }
    if (!ReadHandle(r, handle) || !r.U32(ntstatus)) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

std::uint32_t ControlToWrite(std::uint32_t current, bool disabled) {
    const std::uint32_t kept = current & ~(ACB_AUTOLOCK | ACB_PW_EXPIRED);
    return disabled ? (kept | ACB_DISABLED) : (kept & ~ACB_DISABLED);
}

NET_API_STATUS DecodeStatus(Bytes stub, std::uint32_t& ntstatus) {
    NdrReader r(stub);
    if (!r.U32(ntstatus)) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

NET_API_STATUS DecodeEnumDomains(Bytes stub, std::vector<std::u16string>& names,
                                 std::uint32_t& resume, std::uint32_t& ntstatus) {
    NdrReader r(stub);
    names.clear();
    bool array = false;
    if (!r.U32(resume) || !r.Pointer(array)) return RPC_S_PROTOCOL_ERROR;
    if (array) {
        std::uint32_t count = 0;
        bool entries = false;
        if (!r.U32(count) || !r.Pointer(entries)) return RPC_S_PROTOCOL_ERROR;
        if (entries) {
            if (!r.ArrayHeader(count, 12)) return RPC_S_PROTOCOL_ERROR;
            std::vector<CountedHeader> headers(count);
            for (auto& h : headers) {
                std::uint32_t index = 0;
                if (!r.U32(index) || !r.CountedStringHeader(h)) return RPC_S_PROTOCOL_ERROR;
            }
            for (const auto& h : headers) {
                std::u16string name;
                if (!r.CountedString(h, name)) return RPC_S_PROTOCOL_ERROR;
                names.push_back(std::move(name));
            }
        } else if (count != 0) {
            return RPC_S_PROTOCOL_ERROR;
        }
    }
    std::uint32_t returned = 0;
    if (!r.U32(returned) || !r.U32(ntstatus)) {
        names.clear();
        return RPC_S_PROTOCOL_ERROR;
    }
    return netapi::NERR_Success;
}

NET_API_STATUS DecodeLookupDomain(Bytes stub, Sid& sid, std::uint32_t& ntstatus) {
    NdrReader r(stub);
    sid = {};
    const bool ok = r.AnswerThenStatus(ntstatus, [&] { return ReadSid(r, sid); });
    return ok ? netapi::NERR_Success : RPC_S_PROTOCOL_ERROR;
}

NET_API_STATUS DecodeLookupName(Bytes stub, std::uint32_t& rid, std::uint32_t& type,
                                std::uint32_t& ntstatus) {
    NdrReader r(stub);
    rid = 0;
    type = 0;
    std::uint32_t* targets[] = {&rid, &type};
    bool found[] = {false, false};
    for (int i = 0; i < 2; ++i) {
        std::uint32_t count = 0;
        bool ids = false;
        if (!r.U32(count) || !r.Pointer(ids)) return RPC_S_PROTOCOL_ERROR;
        if (!ids) {
            if (count != 0) return RPC_S_PROTOCOL_ERROR;
            continue;
        }
        if (!r.ArrayHeader(count, 4)) return RPC_S_PROTOCOL_ERROR;
        for (std::uint32_t k = 0; k < count; ++k) {
            std::uint32_t v = 0;
            if (!r.U32(v)) return RPC_S_PROTOCOL_ERROR;
            if (k == 0) {
                *targets[i] = v;
                found[i] = true;
            }
        }
    }
    if (!r.U32(ntstatus)) return RPC_S_PROTOCOL_ERROR;
    if (ntstatus == STATUS_SUCCESS && !(found[0] && found[1])) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

NET_API_STATUS DecodeQueryUserAll(Bytes stub, UserAll& out, std::uint32_t& ntstatus) {
    NdrReader r(stub);
    out = {};
    const bool ok = r.AnswerThenStatus(ntstatus, [&] {
        std::uint16_t arm = 0;
        std::uint64_t allowChange = 0, forceChange = 0;
        if (!r.U16(arm) || arm != kUserAllInformation) return false;
        if (!ReadNtTime(r, out.lastLogon) || !ReadNtTime(r, out.lastLogoff) ||
            !ReadNtTime(r, out.lastPasswordChange) || !ReadNtTime(r, out.accountExpires) ||
            !ReadNtTime(r, allowChange) || !ReadNtTime(r, forceChange))
            return false;
        // Ten texts, the two password hashes (never used) and the private data.
        CountedHeader texts[13];
        for (auto& h : texts)
            if (!r.CountedStringHeader(h)) return false;
        std::uint32_t bufCount = 0, fieldsPresent = 0;
        bool buffer = false, hours = false;
        std::uint8_t lmSet = 0, ntSet = 0, sensitive = 0;
        if (!r.U32(bufCount) || !r.Pointer(buffer) || !r.U32(out.rid) || !r.U32(out.primaryGid) ||
            !r.U32(out.acctFlags) || !r.U32(fieldsPresent) || !r.U16(out.unitsPerWeek) ||
            !r.Pointer(hours) || !r.U16(out.badPasswordCount) || !r.U16(out.logonCount) ||
            !r.U16(out.countryCode) || !r.U16(out.codePage) || !r.U8(lmSet) || !r.U8(ntSet) ||
            !r.U8(out.passwordExpired) || !r.U8(sensitive))
            return false;
        std::u16string* targets[] = {&out.accountName,  &out.fullName,    &out.homeDirectory,
                                     &out.homeDrive,    &out.logonScript, &out.profilePath,
                                     &out.description,  &out.workstations, &out.comment,
                                     &out.parameters};
        std::u16string ignored;
        for (int i = 0; i < 13; ++i)
            if (!r.CountedString(texts[i], i < 10 ? *targets[i] : ignored))
                return false;
        if (buffer && (!r.ArrayHeader(bufCount, 1) || !r.Skip(bufCount)))
            return false;
        if (hours) {
            std::uint32_t max = 0, offset = 0, actual = 0;
            if (!r.U32(max) || !r.U32(offset) || !r.U32(actual)) return false;
            if (offset != 0 || actual > max || actual > r.Remaining()) return false;
            out.logonHours.resize(actual);
            if (!r.Bytes(out.logonHours.data(), actual)) return false;
        }
        return true;
    });
    // Nothing of a malformed answer is kept.
    if (!ok) out = {};
    return ok ? netapi::NERR_Success : RPC_S_PROTOCOL_ERROR;
}

NET_API_STATUS DecodeQueryUserControl(Bytes stub, std::uint32_t& acctFlags,
                                      std::uint32_t& ntstatus) {
    NdrReader r(stub);
    acctFlags = 0;
    const bool ok = r.AnswerThenStatus(ntstatus, [&] {
        std::uint16_t arm = 0;
        return r.U16(arm) && arm == kUserControlInformation && r.U32(acctFlags);
    });
    return ok ? netapi::NERR_Success : RPC_S_PROTOCOL_ERROR;
}

DWORD AcbToUserFlags(std::uint32_t acb) {
    DWORD uf = 0;
    for (const auto& p : kFlagPairs)
        if ((acb & p.acb) != 0) uf |= p.uf;
    return uf;
}

netapi::UserInfo3 ToUserInfo3(const UserAll& user, std::int64_t now) {
    netapi::UserInfo3 u;
    u.name = user.accountName;
    u.password.reset();
    const std::int64_t changed = NtTimeToUnix(user.lastPasswordChange);
    u.password_age = changed == 0 ? 0 : ClampSeconds(now - changed);
    // Administrator and Guest by their well-known RIDs; everyone else a user.
    u.priv = user.rid == 500 ? 2 : user.rid == 501 ? 0 : 1;
    u.home_dir = user.homeDirectory;
    u.comment = user.description;
    // The platform always reports UF_SCRIPT at this level.
    u.flags = AcbToUserFlags(user.acctFlags) | netapi::UF_SCRIPT;
    u.script_path = user.logonScript;
    u.full_name = user.fullName;
    u.usr_comment = user.comment;
    u.parms = user.parameters;
    u.workstations = user.workstations;
    u.last_logon = ClampSeconds(NtTimeToUnix(user.lastLogon));
    u.last_logoff = ClampSeconds(NtTimeToUnix(user.lastLogoff));
    const std::int64_t expires = NtTimeToUnix(user.accountExpires);
    u.acct_expires = expires == 0 ? 0xFFFFFFFFu : ClampSeconds(expires);
    u.max_storage = 0xFFFFFFFFu;
    u.units_per_week = user.unitsPerWeek;
    // The record's logon-hours field is always 21 bytes (one bit an hour of
    // the week) when present; other shapes are padded or cut to that.
    if (!user.logonHours.empty()) {
        std::vector<std::uint8_t> hours(netapi::LOGON_HOURS_BYTES, 0);
        for (std::size_t i = 0; i < hours.size() && i < user.logonHours.size(); ++i)
            hours[i] = user.logonHours[i];
        u.logon_hours = std::move(hours);
    }
    u.bad_pw_count = user.badPasswordCount;
    u.num_logons = user.logonCount;
    u.logon_server = u"\\\\*";
    u.country_code = user.countryCode;
    u.code_page = user.codePage;
    u.user_id = user.rid;
    u.primary_group_id = user.primaryGid;
    u.profile = user.profilePath;
    u.home_dir_drive = user.homeDrive;
    u.password_expired = user.passwordExpired != 0 ? 1 : 0;
    return u;
}

}  // namespace smb::samr
