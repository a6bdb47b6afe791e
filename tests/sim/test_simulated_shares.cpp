// Share management on the simulated network, through the network interface
// as the program calls it: records in, records out, every buffer freed.
#include <gtest/gtest.h>

#include "ScenarioTest.h"
#include "SimListing.h"
#include "netenum/AccountNames.h"

namespace {

using namespace simtest;

class SimulatedShares : public ScenarioTest {
protected:
    SimulatedShares() : ScenarioTest(R"({"computers": [{"name": "HOST", "local": true},
      {"name": "FS1", "accounts": [{"name": "alice", "user_id": 1104}, {"name": "bob"}],
       "shares": [{"name": "IPC$", "type": "ipc"}, {"name": "Data", "path": "D:\\Data"},
                  {"name": "Web", "path": "D:\\Web"}],
       "sessions": [{"client": "PC1", "user": "alice"}, {"client": "PC2", "user": "bob"}],
       "files": [{"id": 7, "path": "D:\\Data\\a.txt", "user": "alice"},
                 {"id": 8, "path": "D:\\Web\\index.htm", "user": "bob"}],
       "faults": [{"call": "NetShareDel", "status": 5, "names": ["Locked"]}]}]})") {}

    static NET_API_STATUS Add(const char16_t* name, const char16_t* path, DWORD* parm = nullptr,
                              std::vector<std::uint8_t>* sd = nullptr) {
        SHARE_INFO_502 info{};
        info.shi502_netname = const_cast<char16_t*>(name);
        info.shi502_path = const_cast<char16_t*>(path);
        info.shi502_remark = const_cast<char16_t*>(u"Projects");
        info.shi502_max_uses = 10;
        info.shi502_security_descriptor = sd != nullptr ? sd->data() : nullptr;
        return NetShareAdd(u"FS1", 502, reinterpret_cast<LPBYTE>(&info), parm);
    }

    // "remark path max_uses" of the share's level-502 record, its descriptor
    // parsed into `sd`; "" when the call fails.
    static std::u16string Get(const char16_t* name, std::optional<SecurityDescriptor>* sd = nullptr) {
        LPBYTE buffer = nullptr;
        if (NetShareGetInfo(u"FS1", name, 502, &buffer) != 0) return u"";
        const auto* r = reinterpret_cast<const SHARE_INFO_502*>(buffer);
        const std::string uses = std::to_string(r->shi502_max_uses);
        const auto got =
            Str(r->shi502_remark) + u" " + Str(r->shi502_path) + u" " + std::u16string(uses.begin(), uses.end());
        const auto* bytes = static_cast<const std::uint8_t*>(r->shi502_security_descriptor);
        if (sd != nullptr) *sd = ParseSecurityDescriptor({bytes, SelfRelativeLength(bytes)});
        NetApiBufferFree(buffer);
        return got;
    }
    template <typename Info>
    static NET_API_STATUS Set(const char16_t* name, DWORD level, Info& info, DWORD* parm = nullptr) {
        return NetShareSetInfo(u"FS1", name, level, reinterpret_cast<LPBYTE>(&info), parm);
    }
};

TEST_F(SimulatedShares, AShareAddedWithADescriptorReadsBackAndIsListed) {
    SecurityDescriptor sd;
    sd.dacl = {Ace::Deny(Sid{5, {21, 1, 2, 3, 1104}}, SHARE_ACCESS_CHANGE),
               Ace::Allow(EveryoneSid(), SHARE_ACCESS_READ)};
    auto bytes = BuildSecurityDescriptor(sd);
    ASSERT_EQ(Add(u"Projects", u"D:\\Projects", nullptr, &bytes), 0u);

    std::optional<SecurityDescriptor> got;
    EXPECT_EQ(Get(u"projects", &got), u"Projects D:\\Projects 10");  // names ignore letter case
    EXPECT_EQ(got, sd);

    LPBYTE buffer = nullptr;
    EXPECT_EQ(NetShareGetInfo(u"FS1", u"Projects", 1, &buffer), ERROR_INVALID_LEVEL);

    const auto shares = Shares(u"FS1");
    ASSERT_EQ(shares.read, 4u);
    EXPECT_EQ(Str(shares[3].shi2_netname), u"Projects");
}

TEST_F(SimulatedShares, RefusalsNameTheirCauseAndChangeNothing) {
    DWORD parm = 0;
    EXPECT_EQ(Add(u"Data", u"D:\\Other", &parm), NERR_DuplicateShare);
    EXPECT_EQ(Add(u"a:b", u"D:\\Other", &parm), ERROR_INVALID_NAME);
    EXPECT_EQ(parm, SHARE_NETNAME_PARMNUM);
    EXPECT_EQ(Add(u"Other", u"Other", &parm), NERR_UnknownDevDir);
    EXPECT_EQ(parm, SHARE_PATH_PARMNUM);
    // A descriptor that is none is refused before anything leaves.
    std::vector<std::uint8_t> junk(32, 0xAB);
    EXPECT_EQ(Add(u"Other", u"D:\\Other", &parm, &junk), ERROR_INVALID_SECURITY_DESCR);
    EXPECT_EQ(parm, SHARE_FILE_SD_PARMNUM);
    EXPECT_EQ(Shares(u"FS1").read, 3u);

    SHARE_INFO_1006 none{0};
    EXPECT_EQ(Set(u"Data", 1006, none, &parm), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(parm, SHARE_MAX_USES_PARMNUM);
    EXPECT_EQ(Set(u"Gone", 1006, none, &parm), NERR_NetNameNotFound);
    EXPECT_EQ(NetShareDel(u"FS1", u"Gone", 0), NERR_NetNameNotFound);
    EXPECT_EQ(NetShareDel(u"NOWHERE", u"Data", 0), ERROR_BAD_NETPATH);

    // A scenario's fault, on one share only.
    ASSERT_EQ(Add(u"Locked", u"D:\\Locked"), 0u);
    EXPECT_EQ(NetShareDel(u"FS1", u"Locked", 0), ERROR_ACCESS_DENIED);
    EXPECT_NE(Get(u"Locked"), u"");
}

TEST_F(SimulatedShares, EachSetLevelChangesItsOwnFieldOnly) {
    SHARE_INFO_1004 remark{const_cast<char16_t*>(u"Web pages")};
    SHARE_INFO_1006 uses{3};
    SHARE_INFO_1005 flags{CSC_CACHE_NONE};
    SecurityDescriptor sd;
    sd.dacl = {Ace::Allow(AdministratorsSid(), SHARE_ACCESS_FULL)};
    auto bytes = BuildSecurityDescriptor(sd);
    SHARE_INFO_1501 security{0, bytes.data()};
    EXPECT_EQ(Set(u"Web", 1004, remark), 0u);
    EXPECT_EQ(Get(u"Web"), u"Web pages D:\\Web 4294967295");  // no limit
    EXPECT_EQ(Set(u"Web", 1006, uses), 0u);
    EXPECT_EQ(Set(u"Web", 1005, flags), 0u);
    EXPECT_EQ(Set(u"Web", 1501, security), 0u);
    EXPECT_EQ(Set(u"Web", 1007, uses), ERROR_INVALID_LEVEL);
    std::optional<SecurityDescriptor> got;
    EXPECT_EQ(Get(u"Web", &got), u"Web pages D:\\Web 3");
    EXPECT_EQ(got, sd);
    // Level 2 changes remark and user limit together; a share is not moved.
    SHARE_INFO_2 both{};
    both.shi2_remark = const_cast<char16_t*>(u"Intranet");
    both.shi2_max_uses = 7;
    both.shi2_path = const_cast<char16_t*>(u"E:\\Elsewhere");
    EXPECT_EQ(Set(u"Web", 2, both), 0u);
    EXPECT_EQ(Get(u"Web"), u"Intranet D:\\Web 7");
}

TEST_F(SimulatedShares, StoppingAShareCutsOffItsUsersAndLeavesTheOthers) {
    ASSERT_EQ(NetShareDel(u"FS1", u"IPC$", 0), 0u);  // shifts the shares behind it
    ASSERT_EQ(NetShareDel(u"FS1", u"Data", 0), 0u);
    const auto files = Files(u"FS1");
    ASSERT_EQ(files.read, 1u);
    EXPECT_EQ(files[0].fi3_id, 8u);
    const auto connections = Connections(u"FS1", u"Web");
    ASSERT_EQ(connections.status, 0u);
    ASSERT_EQ(connections.read, 1u);
    EXPECT_EQ(Str(connections[0].coni1_username), u"bob");
    EXPECT_EQ(Connections(u"FS1", u"Data").status, NERR_NetNameNotFound);
}

TEST_F(SimulatedShares, AccountsResolveBothWaysAndUnknownSidsShowAsSids) {
    std::vector<AccountLookup> found;
    EXPECT_EQ(NetLookupAccountNames(u"FS1", {u"alice", u"FS1\\bob", u"Everyone", u"nobody"}, found),
              ERROR_SOME_NOT_MAPPED);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].sid.subs.back(), 1104u);
    EXPECT_EQ(found[2].sid, EveryoneSid());
    EXPECT_FALSE(found[3].resolved);

    std::vector<AccountLookup> back;
    const Sid stranger{5, {21, 9, 9, 9, 500}};
    EXPECT_EQ(NetLookupAccountSids(u"FS1", {found[1].sid, stranger, AdministratorsSid()}, back),
              ERROR_SOME_NOT_MAPPED);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(DisplayName(back[0]), u"FS1\\bob");
    EXPECT_EQ(DisplayName(back[1]), u"S-1-5-21-9-9-9-500");
    EXPECT_EQ(DisplayName(back[2]), u"BUILTIN\\Administrators");
}

}  // namespace
