// The NDR decoders against well-formed and hostile replies.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "SmbTestServer.h"
#include "smb/NdrReader.h"
#include "smb/NdrWriter.h"
#include "smb/Samr.h"
#include "smb/Srvsvc.h"
#include "smb/StatusMap.h"

namespace {

using namespace smb;
using netapi::NERR_Success;
constexpr netapi::NET_API_STATUS kProtocolError = 1728;

netapi::FileInfo3 File(netapi::DWORD id, const char16_t* path, netapi::OptString user) {
    return {id, netapi::PERM_FILE_READ | netapi::PERM_FILE_WRITE, 2, path, std::move(user)};
}

TEST(SmbCodec, FileAndSessionRepliesKeepIdsNullsOrderAndLevels) {
    const auto stub =
        smbtest::FileEnumReply({File(0x80000005u, u"C:\\share\\a.doc", u"alice"),
                                File(7, u"\\PIPE\\srvsvc", std::nullopt), File(0xFFFFFFFFu, u"", u"bob")},
                               3, 0x44, netapi::ERROR_MORE_DATA);
    srvsvc::EnumReply<netapi::FileInfo3> r;
    ASSERT_EQ(srvsvc::DecodeFileEnum(stub, r), NERR_Success);
    EXPECT_EQ(std::tie(r.status, r.total, r.resume), std::make_tuple(netapi::ERROR_MORE_DATA, 3u, 0x44u));
    ASSERT_EQ(r.records.size(), 3u);
    EXPECT_EQ(std::tie(r.records[0].id, r.records[0].pathname, r.records[0].num_locks),
              std::make_tuple(0x80000005u, netapi::OptString(u"C:\\share\\a.doc"), 2u));
    EXPECT_FALSE(r.records[1].username.has_value());
    EXPECT_EQ(std::tie(r.records[2].id, r.records[2].pathname),
              std::make_tuple(0xFFFFFFFFu, netapi::OptString(u"")));

    // Each session level fills what it carries.
    const netapi::SessionInfo502 s{u"CLIENT1", u"alice", 3, 100, 5, netapi::SESS_GUEST, u"Windows",
                                   u"\\Device\\NetbiosSmb"};
    for (netapi::DWORD level : {502u, 1u, 10u}) {
        SCOPED_TRACE(level);
        srvsvc::EnumReply<netapi::SessionInfo502> sessions;
        ASSERT_EQ(srvsvc::DecodeSessionEnum(smbtest::SessionEnumReply(level, {s}, 1, 0, 0), level, sessions),
                  NERR_Success);
        ASSERT_EQ(sessions.records.size(), 1u);
        const auto& got = sessions.records[0];
        EXPECT_EQ(got.cname, u"CLIENT1");
        EXPECT_EQ(got.idle_time, 5u);
        EXPECT_EQ(got.num_opens, level == 10 ? 0u : 3u);
        EXPECT_EQ(got.user_flags, level == 10 ? 0u : 1u);
        EXPECT_EQ(got.transport.has_value(), level == 502);
    }
    // A reply in another level than asked is not trusted.
    srvsvc::EnumReply<netapi::SessionInfo502> other;
    EXPECT_EQ(srvsvc::DecodeSessionEnum(smbtest::SessionEnumReply(1, {s}, 1, 0, 0), 502, other), kProtocolError);
}

// Every reply the provider decodes, well formed, with the decoder for it.
struct Sample {
    const char* name;
    std::vector<std::uint8_t> stub;
    std::function<netapi::NET_API_STATUS(std::span<const std::uint8_t>)> decode;
};

std::vector<Sample> Samples() {
    const netapi::ShareInfo2 share{
        .netname = u"docs", .remark = u"Team documents", .path = u"C:\\srv\\docs", .passwd = {}};
    const netapi::SessionInfo502 sess{.cname = u"c", .username = u"u", .cltype_name = {}, .transport = u"t"};
    const netapi::ServerInfo101 info{.name = u"SERVER", .comment = u"desc"};
    const netapi::TimeOfDay tod;
    const netapi::FileInfo3 file = File(3, u"D:\\a.doc", u"alice");
    samr::UserAll user;
    user.accountName = u"carol";
    user.fullName = u"Carol C";
    user.unitsPerWeek = 168;
    user.logonHours.assign(21, 0xFF);
    return {
        {"files", smbtest::FileEnumReply({File(1, u"p", u"u"), File(2, u"q", std::nullopt)}, 2, 0, 0),
         [](auto b) { srvsvc::EnumReply<netapi::FileInfo3> r; return srvsvc::DecodeFileEnum(b, r); }},
        {"sessions", smbtest::SessionEnumReply(502, {sess, sess}, 2, 0, 0),
         [](auto b) { srvsvc::EnumReply<netapi::SessionInfo502> r; return srvsvc::DecodeSessionEnum(b, 502, r); }},
        {"shares", smbtest::ShareEnumReply(2, {share, share}, 2, 0, 0),
         [](auto b) { srvsvc::EnumReply<netapi::ShareInfo2> r; return srvsvc::DecodeShareEnumAll(b, 2, r); }},
        {"connections", smbtest::ConnectionEnumReply({{.username = u"alice", .netname = u"docs"}}, 1, 0, 0),
         [](auto b) { srvsvc::EnumReply<netapi::ConnectionInfo1> r; return srvsvc::DecodeConnectionEnum(b, r); }},
        {"serverinfo", smbtest::ServerInfoReply(&info, 0),
         [](auto b) { netapi::ServerInfo101 i; netapi::NET_API_STATUS s; return srvsvc::DecodeServerGetInfo101(b, i, s); }},
        {"fileinfo", smbtest::FileGetInfoReply(&file, 0),
         [](auto b) { netapi::FileInfo3 f; netapi::NET_API_STATUS s; return srvsvc::DecodeFileGetInfo3(b, f, s); }},
        {"tod", smbtest::RemoteTODReply(&tod, 0),
         [](auto b) { netapi::TimeOfDay t; netapi::NET_API_STATUS s; return srvsvc::DecodeRemoteTOD(b, t, s); }},
        {"userall", smbtest::UserAllReply(user, 0),
         [](auto b) { samr::UserAll u; std::uint32_t s; return samr::DecodeQueryUserAll(b, u, s); }},
    };
}

// Every truncation is a protocol error. Each 32-bit word set to values that
// stress counts and offsets may be accepted or refused, but the decoder must
// stay inside the input. Hostile counts are refused without allocating them.
TEST(SmbCodec, TruncatedCorruptedOrHostileRepliesAreRefusedOrStayInBounds) {
    for (const auto& sample : Samples()) {
        SCOPED_TRACE(sample.name);
        ASSERT_EQ(sample.decode(sample.stub), NERR_Success);
        for (std::size_t n = 0; n < sample.stub.size(); ++n) {
            // A copy of exactly n bytes, so that a sanitizer sees any over-read.
            const std::vector<std::uint8_t> cut(sample.stub.begin(), sample.stub.begin() + n);
            ASSERT_EQ(sample.decode(cut), kProtocolError) << "cut at " << n;
        }
        for (std::size_t at = 0; at + 4 <= sample.stub.size(); at += 4) {
            for (std::uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x10000u}) {
                auto bad = sample.stub;
                std::memcpy(bad.data() + at, &v, 4);
                const auto status = sample.decode(bad);
                EXPECT_TRUE(status == NERR_Success || status == kProtocolError);
            }
        }
    }

    // EntriesRead and the array's max count both claim 2^31 records of 20 bytes.
    smb::NdrWriter w;
    smbtest::U32s(w, 3, 3, 0x20000, 0x80000000u, 0x20004, 0x80000000u);
    srvsvc::EnumReply<netapi::FileInfo3> r;
    EXPECT_EQ(srvsvc::DecodeFileEnum(w.Data(), r), kProtocolError);

    // A string whose actual count exceeds its max count, and one with an offset.
    for (auto fields : {std::array<std::uint32_t, 3>{2, 0, 3}, std::array<std::uint32_t, 3>{4, 1, 2}}) {
        smb::NdrWriter s;
        smbtest::U32s(s, 101, 0x20000, 500, 0x20004, 6, 1, 3, 0);
        for (std::uint32_t v : fields) s.U32(v);
        for (int i = 0; i < 8; ++i) s.U16(u'x');
        s.U32(0);
        netapi::ServerInfo101 info;
        netapi::NET_API_STATUS status = 0;
        EXPECT_EQ(srvsvc::DecodeServerGetInfo101(s.Data(), info, status), kProtocolError);
    }
}

TEST(SmbCodec, AccountRecordMapsFlagsTimesAndHours) {
    samr::UserAll u;
    u.accountName = u"carol";
    u.description = u"Finance";
    u.rid = 1002;
    // normal account, disabled, locked out, password never expires
    u.acctFlags = 0x10 | 0x1 | 0x400 | 0x200;
    u.accountExpires = 0x7FFFFFFFFFFFFFFFull;
    u.lastLogon = 116444736000000000ull + 10000000ull * 1000;  // 1000 s after 1970
    u.unitsPerWeek = 168;
    u.logonHours = {0xFF, 0x0F};  // shorter than a week's 21 bytes
    samr::UserAll decoded;
    std::uint32_t nt = 1;
    ASSERT_EQ(samr::DecodeQueryUserAll(smbtest::UserAllReply(u, 0), decoded, nt), NERR_Success);
    EXPECT_EQ(nt, 0u);
    const auto info = samr::ToUserInfo3(decoded, 5000);
    EXPECT_EQ(info.name, u"carol");
    EXPECT_EQ(info.comment, u"Finance");
    EXPECT_EQ(info.flags, netapi::UF_SCRIPT | netapi::UF_NORMAL_ACCOUNT | netapi::UF_ACCOUNTDISABLE |
                              netapi::UF_LOCKOUT | netapi::UF_DONT_EXPIRE_PASSWD);
    EXPECT_EQ(info.acct_expires, 0xFFFFFFFFu);
    EXPECT_EQ(info.last_logon, 1000u);
    EXPECT_EQ(info.user_id, 1002u);
    // netapi reads exactly 21 bytes behind the pointer: never hand it fewer.
    ASSERT_TRUE(info.logon_hours.has_value());
    EXPECT_EQ(info.logon_hours->size(), netapi::LOGON_HOURS_BYTES);
    EXPECT_EQ((*info.logon_hours)[1], 0x0F);
    EXPECT_EQ((*info.logon_hours)[2], 0x00);
}

// Both string forms end at the first NUL, so no layer above ever sees a name
// longer than the one shown.
TEST(SmbCodec, EmbeddedNulsCutEveryStringAtTheSamePlace) {
    const std::vector<std::uint8_t> body = {5, 0,   0, 0,   0, 0, 0, 0,   5, 0,   0,
                                            0, 'a', 0, 'b', 0, 0, 0, 'c', 0, 'd', 0};
    std::u16string conformant, counted;
    smb::NdrReader a(body);
    ASSERT_TRUE(a.ConformantString(conformant));
    smb::NdrReader b(body);
    ASSERT_TRUE(b.CountedStringBody(10, counted));
    EXPECT_EQ(conformant, u"ab");
    EXPECT_EQ(counted, u"ab");
}

TEST(SmbCodec, Connect5AsksRevisionThreeAndReadsARefusal) {
    const auto request = samr::EncodeConnect5(u"\\\\FS1", samr::kMaximumAllowed);
    // server pointer, its string, access, version 1, arm 1, revision 3, features 0
    ASSERT_GE(request.size(), 20u);
    std::uint32_t tail[5];
    std::memcpy(tail, request.data() + request.size() - sizeof tail, sizeof tail);
    EXPECT_EQ((std::vector<std::uint32_t>(tail, tail + 5)),
              (std::vector<std::uint32_t>{samr::kMaximumAllowed, 1, 1, 3, 0}));

    // A refusal may leave the revision unset; the status still reads. (An answer is
    // read in OnServers.AccountsChangeOnlyTheirDisabledBitOnNewAndOldServers.)
    samr::Handle handle{};
    std::uint32_t nt = 1;
    NdrWriter denied;
    smbtest::U32s(denied, 0, 0, 0, 0, 0, 0, 0, samr::STATUS_ACCESS_DENIED);  // the handle's 20 bytes are 0
    ASSERT_EQ(samr::DecodeConnect5(denied.Data(), handle, nt), NERR_Success);
    EXPECT_EQ(nt, samr::STATUS_ACCESS_DENIED);
    // An arm that is not the version, or a revision nobody knows, is malformed.
    NdrWriter odd;
    smbtest::U32s(odd, 2, 2, 0, 0, 0);
    EXPECT_EQ(samr::DecodeConnect5(odd.Data(), handle, nt), kProtocolError);
}

// Statuses of the account database: the ones with a platform code get it;
// any other is shown as the server sent it, not as a failed call.
TEST(SmbCodec, AnNtStatusWithoutAPlatformCodeStaysItself) {
    EXPECT_EQ(NtStatusToStatus(0xC0000022), 5u);
    EXPECT_EQ(NtStatusToStatus(0xC0000064), netapi::NERR_UserNotFound);
    EXPECT_EQ(NtStatusToStatus(0x00000105), netapi::ERROR_MORE_DATA);
    EXPECT_EQ(NtStatusToStatus(0xC0000190), 0xC0000190u);  // STATUS_TRUST_FAILURE
}

}  // namespace
