#pragma once
// The security account manager (samr) operations behind NetUserGetInfo and
// NetUserSetInfo, as pure functions over stubs: Encode* builds a request,
// Decode* reads a reply and returns NERR_Success when it was well formed (the
// server's NTSTATUS is then in `ntstatus`) or RPC_S_PROTOCOL_ERROR.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "netenum/Provider.h"

namespace smb::samr {

using netapi::DWORD;
using netapi::NET_API_STATUS;
using Stub = std::vector<std::uint8_t>;
using Bytes = std::span<const std::uint8_t>;

using netapi::RPC_S_PROTOCOL_ERROR;

constexpr std::uint16_t kOpClose = 1;
constexpr std::uint16_t kOpLookupDomain = 5;
constexpr std::uint16_t kOpEnumDomains = 6;
constexpr std::uint16_t kOpOpenDomain = 7;
constexpr std::uint16_t kOpLookupNames = 17;
constexpr std::uint16_t kOpOpenUser = 34;
constexpr std::uint16_t kOpQueryUserInfo = 36;
constexpr std::uint16_t kOpSetUserInfo = 37;
constexpr std::uint16_t kOpConnect2 = 57;
constexpr std::uint16_t kOpConnect5 = 64;

constexpr std::uint32_t kMaximumAllowed = 0x02000000;
constexpr std::uint16_t kUserAllInformation = 21;
constexpr std::uint16_t kUserControlInformation = 16;

// Account-control bits of the account database.
constexpr std::uint32_t ACB_DISABLED = 0x00000001;
constexpr std::uint32_t ACB_AUTOLOCK = 0x00000400;     // locked out
constexpr std::uint32_t ACB_PW_EXPIRED = 0x00020000;   // password expired

constexpr std::uint32_t STATUS_SUCCESS = 0;
constexpr std::uint32_t STATUS_MORE_ENTRIES = 0x00000105;
constexpr std::uint32_t STATUS_NONE_MAPPED = 0xC0000073;
constexpr std::uint32_t STATUS_NO_SUCH_USER = 0xC0000064;
constexpr std::uint32_t STATUS_ACCESS_DENIED = 0xC0000022;

using Handle = std::array<std::uint8_t, 20>;

struct Sid {
    std::uint8_t revision = 1;
    std::array<std::uint8_t, 6> authority{};
    std::vector<std::uint32_t> subAuthorities;
};

// What level 21 (UserAllInformation) tells about an account, as sent.
struct UserAll {
    std::uint64_t lastLogon = 0;
    std::uint64_t lastLogoff = 0;
    std::uint64_t lastPasswordChange = 0;
    std::uint64_t accountExpires = 0;
    std::u16string accountName, fullName, homeDirectory, homeDrive, logonScript, profilePath,
        description, workstations, comment, parameters;
    std::uint32_t rid = 0;
    std::uint32_t primaryGid = 0;
    std::uint32_t acctFlags = 0;
    std::uint16_t unitsPerWeek = 0;
    std::vector<std::uint8_t> logonHours;
    std::uint16_t badPasswordCount = 0;
    std::uint16_t logonCount = 0;
    std::uint16_t countryCode = 0;
    std::uint16_t codePage = 0;
    std::uint8_t passwordExpired = 0;
};

Stub EncodeConnect2(const std::u16string& server, std::uint32_t access);
// SamrConnect5 with revision 3 and no extra features asked for.
Stub EncodeConnect5(const std::u16string& server, std::uint32_t access);
Stub EncodeClose(const Handle& handle);
Stub EncodeEnumDomains(const Handle& server, std::uint32_t resume);
Stub EncodeLookupDomain(const Handle& server, const std::u16string& domain);
Stub EncodeOpenDomain(const Handle& server, std::uint32_t access, const Sid& sid);
Stub EncodeLookupName(const Handle& domain, const std::u16string& name);
Stub EncodeOpenUser(const Handle& domain, std::uint32_t access, std::uint32_t rid);
Stub EncodeQueryUserInfo(const Handle& user, std::uint16_t level);
Stub EncodeSetUserControl(const Handle& user, std::uint32_t acctFlags);

// Replies that carry a new handle (Connect2, OpenDomain, OpenUser, Close).
NET_API_STATUS DecodeHandle(Bytes stub, Handle& handle, std::uint32_t& ntstatus);
// SamrConnect5's reply: the revision the server speaks, then the handle.
NET_API_STATUS DecodeConnect5(Bytes stub, Handle& handle, std::uint32_t& ntstatus);
NET_API_STATUS DecodeStatus(Bytes stub, std::uint32_t& ntstatus);
NET_API_STATUS DecodeEnumDomains(Bytes stub, std::vector<std::u16string>& names,
                                 std::uint32_t& resume, std::uint32_t& ntstatus);
NET_API_STATUS DecodeLookupDomain(Bytes stub, Sid& sid, std::uint32_t& ntstatus);
// The RID of the one name asked for (type tells user, group, ...).
NET_API_STATUS DecodeLookupName(Bytes stub, std::uint32_t& rid, std::uint32_t& type,
                                std::uint32_t& ntstatus);
NET_API_STATUS DecodeQueryUserAll(Bytes stub, UserAll& out, std::uint32_t& ntstatus);
NET_API_STATUS DecodeQueryUserControl(Bytes stub, std::uint32_t& acctFlags,
                                      std::uint32_t& ntstatus);

// The account-control bits to write so that the account is `disabled` as
// asked and nothing else changes: the bits the server computes (password
// expired) or resets when written (locked out) are left out.
std::uint32_t ControlToWrite(std::uint32_t current, bool disabled);

// Account-control bits to the UF_* flags of USER_INFO_3 and back (only the
// bits both sides know).
DWORD AcbToUserFlags(std::uint32_t acb);
// The record NetUserGetInfo level 3 returns; `now` is the Unix time used for
// the password age.
netapi::UserInfo3 ToUserInfo3(const UserAll& user, std::int64_t now);

}  // namespace smb::samr
