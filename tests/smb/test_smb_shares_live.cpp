// Share management against the live Samba server: a share created with a
// grant and a deny, changed, and removed through Vantor's srvsvc and lsarpc
// calls, each step checked by Samba's own tools (smbclient, sharesec).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <string>

#include "SambaPass.h"
#include "netenum/AccountNames.h"
#include "netenum/netapi.h"
#include "smb/SmbProvider.h"
#include "support/LiveFixture.h"
#include "text/Text.h"

namespace {

using namespace netapi;

const testing_support::SambaRun& Bed() { return testing_support::Samba(); }
std::string Env(const std::string& key) { return Bed().env.at(key); }
std::u16string Host() { return Bed().viaRelay ? text::FromUtf8(Bed().host) : std::u16string(); }

// A command's standard output and its exit status.
std::pair<std::string, int> Shell(const std::string& command) {
    std::string out;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return {"", -1};
    std::array<char, 4096> chunk;
    while (const std::size_t n = fread(chunk.data(), 1, chunk.size(), p)) out.append(chunk.data(), n);
    const int status = pclose(p);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string Sharesec(const std::string& share) {
    return Shell("sharesec -s " + Env("conf") + " " + share + " --view").first;
}

std::string ListedByServer(const std::string& user, const std::string& password) {
    return Shell("smbclient -s " + Env("conf") + " -L 127.0.0.1 -U '" + user + "%" + password + "'").first;
}

class SambaShares : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Bed().skip.empty()) GTEST_SKIP() << Bed().skip;
        smbtest::ReachSamba();
        setenv("VANTOR_SMB_AUTHFILE", (Bed().dir + "/admin.auth").c_str(), 1);
        SetProvider(smb::MakeSmbProvider());
        path = Bed().dir + "/shares/projects" + (Bed().viaRelay ? "-relay" : "");
        mkdir(path.c_str(), 0777);
        chmod(path.c_str(), 0777);
        name = Bed().viaRelay ? u"ProjectsR" : u"Projects";
        NetShareDel(Host().c_str(), name.c_str(), 0);  // left by an interrupted run
    }
    void TearDown() override {
        if (Bed().skip.empty()) NetShareDel(Host().c_str(), name.c_str(), 0);
        SetProvider(nullptr);
        EXPECT_EQ(LiveBufferCount(), 0u);
    }

    Sid SidOf(const std::u16string& account) {
        std::vector<AccountLookup> found;
        EXPECT_EQ(NetLookupAccountNames(Host().c_str(), {account}, found), 0u);
        return found.empty() ? Sid{} : found[0].sid;
    }

    // The share's descriptor as Vantor reads it back.
    std::optional<SecurityDescriptor> Descriptor(ShareDetails* details = nullptr) {
        LPBYTE buffer = nullptr;
        const NET_API_STATUS status = NetShareGetInfo(Host().c_str(), name.c_str(), 502, &buffer);
        EXPECT_EQ(status, 0u);
        std::optional<SecurityDescriptor> sd;
        if (status == 0) {
            const auto* r = reinterpret_cast<const SHARE_INFO_502*>(buffer);
            const auto* bytes = static_cast<const std::uint8_t*>(r->shi502_security_descriptor);
            if (bytes != nullptr) sd = ParseSecurityDescriptor({bytes, SelfRelativeLength(bytes)});
            if (details != nullptr) {
                details->remark = r->shi502_remark ? std::u16string(r->shi502_remark) : u"";
                details->max_uses = r->shi502_max_uses;
                details->path = r->shi502_path ? std::u16string(r->shi502_path) : u"";
            }
        }
        NetApiBufferFree(buffer);
        return sd;
    }

    std::string path;
    std::u16string name;
};

TEST_F(SambaShares, ShareCreatedChangedAndRemovedAgreesWithSambasTools) {
    const std::string shareName = text::ToUtf8(name);
    const std::string alice = "vantortest_alice", bob = "vantortest_bob";
    const Sid aliceSid = SidOf(text::FromUtf8(alice)), bobSid = SidOf(text::FromUtf8(bob));
    ASSERT_FALSE(aliceSid.subs.empty());
    // And back: the SIDs name the accounts; one nobody has stays a SID.
    std::vector<AccountLookup> names;
    const Sid stranger{5, {21, 1, 2, 3, 4242}};
    EXPECT_EQ(NetLookupAccountSids(Host().c_str(), {bobSid, stranger}, names), ERROR_SOME_NOT_MAPPED);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_NE(text::ToUtf8(DisplayName(names[0])).find(bob), std::string::npos);
    EXPECT_EQ(DisplayName(names[1]), u"S-1-5-21-1-2-3-4242");

    // Created with a grant and a deny.
    SecurityDescriptor sd;
    sd.dacl = {Ace::Deny(bobSid, SHARE_ACCESS_FULL), Ace::Allow(aliceSid, SHARE_ACCESS_CHANGE)};
    auto bytes = BuildSecurityDescriptor(sd);
    const std::u16string widePath = text::FromUtf8(path);
    SHARE_INFO_502 info{};
    info.shi502_netname = name.data();
    info.shi502_path = const_cast<char16_t*>(widePath.c_str());
    info.shi502_remark = const_cast<char16_t*>(u"Project files");
    info.shi502_max_uses = 5;
    info.shi502_security_descriptor = bytes.data();
    DWORD parm = 0;
    ASSERT_EQ(NetShareAdd(Host().c_str(), 502, reinterpret_cast<LPBYTE>(&info), &parm), 0u) << parm;
    EXPECT_EQ(NetShareAdd(Host().c_str(), 502, reinterpret_cast<LPBYTE>(&info), &parm),
              NERR_DuplicateShare);

    ShareDetails got;
    const auto back = Descriptor(&got);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->dacl.size(), 2u);
    EXPECT_EQ(back->dacl[0], sd.dacl[0]);
    EXPECT_EQ(back->dacl[1], sd.dacl[1]);
    EXPECT_EQ(got.remark, u"Project files");
    EXPECT_EQ(got.max_uses, 5u);
    const std::string view = Sharesec(shareName);
    EXPECT_NE(view.find(text::ToUtf8(bobSid.ToString()) + ":DENIED/0x0/FULL"), std::string::npos) << view;
    EXPECT_NE(view.find(text::ToUtf8(aliceSid.ToString()) + ":ALLOWED/0x0/CHANGE"), std::string::npos) << view;
    const std::string listed = ListedByServer(alice, Env("password"));
    EXPECT_NE(listed.find(shareName), std::string::npos) << listed;
    EXPECT_NE(listed.find("Project files"), std::string::npos) << listed;

    // The denied user is refused; the allowed one gets in.
    const std::string connect = "smbclient -s " + Env("conf") + " //127.0.0.1/" + shareName + " -c ls -U '";
    const auto [refused, refusedStatus] = Shell(connect + bob + "%" + Env("password") + "'");
    EXPECT_NE(refusedStatus, 0);
    EXPECT_NE(refused.find("NT_STATUS_ACCESS_DENIED"), std::string::npos) << refused;
    EXPECT_EQ(Shell(connect + alice + "%" + Env("password") + "'").second, 0);

    // Description, user limit and permissions, each on its own level.
    SHARE_INFO_1004 remark{const_cast<char16_t*>(u"Archived projects")};
    EXPECT_EQ(NetShareSetInfo(Host().c_str(), name.c_str(), 1004, reinterpret_cast<LPBYTE>(&remark), &parm), 0u);
    SHARE_INFO_1006 uses{9};
    EXPECT_EQ(NetShareSetInfo(Host().c_str(), name.c_str(), 1006, reinterpret_cast<LPBYTE>(&uses), &parm), 0u);
    sd.dacl = {Ace::Allow(aliceSid, SHARE_ACCESS_READ), Ace::Allow(bobSid, SHARE_ACCESS_READ)};
    bytes = BuildSecurityDescriptor(sd);
    SHARE_INFO_1501 security{0, bytes.data()};
    EXPECT_EQ(NetShareSetInfo(Host().c_str(), name.c_str(), 1501, reinterpret_cast<LPBYTE>(&security), &parm), 0u);
    const auto changed = Descriptor(&got);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->dacl, sd.dacl);
    EXPECT_EQ(got.remark, u"Archived projects");
    EXPECT_EQ(got.max_uses, 9u);
    const std::string after = Sharesec(shareName);
    EXPECT_NE(after.find(text::ToUtf8(bobSid.ToString()) + ":ALLOWED/0x0/READ"), std::string::npos) << after;
    EXPECT_EQ(after.find("DENIED"), std::string::npos) << after;
    EXPECT_NE(ListedByServer(alice, Env("password")).find("Archived projects"), std::string::npos);
    EXPECT_EQ(Shell(connect + bob + "%" + Env("password") + "'").second, 0);

    // Removed: gone for Vantor and for smbclient.
    EXPECT_EQ(NetShareDel(Host().c_str(), name.c_str(), 0), 0u);
    LPBYTE buffer = nullptr;
    EXPECT_EQ(NetShareGetInfo(Host().c_str(), name.c_str(), 2, &buffer), NERR_NetNameNotFound);
    NetApiBufferFree(buffer);
    EXPECT_EQ(ListedByServer(alice, Env("password")).find(shareName), std::string::npos);
}

}  // namespace
