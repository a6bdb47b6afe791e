// The SMB stack against a scripted server in Samba's personality and in the
// protocol documents' Windows personality, through the collections and calls
// the windows use: what differs between the two must not show above them.
#include <gtest/gtest.h>

#include "ServerPersonality.h"
#include "netenum/CheckedClose.h"
#include "netenum/NetCalls.h"
#include "netenum/colFileEnum.h"
#include "netenum/netapi.h"
#include "sim/ScenarioLoader.h"
#include "support/ScriptedProvider.h"
#include "text/Text.h"

namespace {

using netapi::DWORD;
using smbtest::Personality;
using testing_support::RecordingSink;
using testing_support::S;

constexpr const char* kServer = R"({ "computers": [
  { "name": "ADMINPC", "local": true },
  { "name": "SERVER1", "timezone": -60,
    "files": [ { "id": 1, "path": "D:\\Data\\a.xls", "user": "alice" },
               { "id": 2, "path": "D:\\Data\\b.doc", "user": "bob" } ],
    "accounts": [
      { "name": "alice", "flags": ["normal_account"] },
      { "name": "carol", "flags": ["script", "normal_account", "lockout", "password_expired"] } ] } ] })";

class OnServers : public ::testing::TestWithParam<Personality> {
protected:
    void SetUp() override { netenum::SetCurrentForm(&sink); }
    void TearDown() override {
        netenum::SetCurrentForm(nullptr);
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }
    bool Windows() const { return GetParam() == Personality::Windows; }
    std::string Lines() {
        const std::string text = S(sink.text);
        sink.text.clear();
        return text;
    }

    RecordingSink sink;
    smbtest::PersonalityNetwork net{GetParam(), sim::ParseScenario(kServer, "server")};
    smbtest::PersonalityServer& server = net.server();
};

// A file closed meanwhile: Windows says 2314, Samba 2; one message for both.
// The checked close: Windows answers NetrFileGetInfo, Samba has no such call
// and the id is looked up in its list. Either way an id that names another
// file now is not closed. The clock's undefined time zone (-1, Windows) is
// kept for the window to show as UTC.
TEST_P(OnServers, FilesGoneMeanwhileCheckedClosesAnotherAccountsPipeAndTheClock) {
    const netenum::colFileEnum closer;
    closer.CloseFile(77, u"SERVER1", u"D:\\gone.doc");
    EXPECT_EQ(Lines(), "Error closing file D:\\gone.doc : There is not an open file with that "
                       "identification number.\r\n");
    const auto tod = netenum::RemoteTimeOfDay(u"\\\\SERVER1");
    ASSERT_TRUE(tod.has_value());
    EXPECT_EQ(tod->tod_timezone, Windows() ? -1 : -60);

    using netapi::CheckedClose;
    const auto stale = netapi::CloseFileIfStillSame(u"SERVER1", 1, u"D:\\Data\\b.doc", u"alice");
    EXPECT_EQ(stale.outcome, CheckedClose::NoLongerOpen);
    const auto closed = netapi::CloseFileIfStillSame(u"SERVER1", 1, u"D:\\Data\\a.xls", u"alice");
    EXPECT_EQ(closed.outcome, CheckedClose::Closed) << closed.status;
    const auto gone = netapi::CloseFileIfStillSame(u"SERVER1", 1, u"D:\\Data\\a.xls", u"alice");
    EXPECT_EQ(gone.outcome, CheckedClose::NoLongerOpen) << gone.status;
    EXPECT_EQ(netenum::CountOpenFiles(u"SERVER1").files, Windows() ? 2u : 1u);  // Windows: + our pipe
    EXPECT_EQ(Lines(), "");

    // Windows lists the srvsvc pipe Vantor itself talks through; closing it
    // is refused (CommandLineOnServers.TheCloseModeLeavesItsOwnPipe), but
    // another account's srvsvc pipe is no concern of ours: it closes.
    server.pipeOwner = u"someone";
    netenum::colFileEnum files;
    files.Init(u"SERVER1");
    ASSERT_EQ(files.Count(), Windows() ? 2u : 1u);
    for (const auto& file : files) files.CloseFile(file.ID(), u"SERVER1", file.PathName());
    EXPECT_EQ(Lines(), "");
    EXPECT_EQ(server.pipesClosedByClient, Windows() ? 1 : 0);
}

// Windows pages a file list by its own small pages under resume handles;
// every file arrives once, in order, and the server's total stands.
TEST_P(OnServers, AFileListPagedByTheServerArrivesWhole) {
    sim::Scenario scenario = sim::ParseScenario(kServer, "server");
    for (DWORD id = 100; id < 400; ++id)
        scenario.computers[1].files.push_back(
            {.id = id, .path = u"D:\\Data\\f" + text::Number(id), .user = u"alice", .client = {}, .share = {}});
    smbtest::PersonalityNetwork many(GetParam(), std::move(scenario));
    netenum::colFileEnum files;
    files.Init(u"SERVER1");
    EXPECT_EQ(Lines(), "");
    ASSERT_GE(files.Count(), 302u);
    EXPECT_FALSE(files.Incomplete());
    EXPECT_EQ(files.Item(3).ID(), 100);
    EXPECT_EQ(files.Item(302).ID(), 399);
    const auto pages = std::count(many.server().calls.begin(), many.server().calls.end(), "srvsvc 9");
    EXPECT_TRUE(Windows() ? pages > 5 : pages == 1) << pages;
}

// Disable and Enable write only the disabled bit: a locked-out account stays
// locked (writing its lockout bit back would unlock it), the expired
// password stays the server's to say.
TEST_P(OnServers, AccountsChangeOnlyTheirDisabledBitOnNewAndOldServers) {
    using netenum::AccountChange;
    EXPECT_EQ(netenum::SetAccountDisabled(u"\\\\SERVER1", u"carol", true), AccountChange::Changed);
    EXPECT_EQ(netenum::SetAccountDisabled(u"\\\\SERVER1", u"carol", true),
              AccountChange::AlreadyDisabled);
    EXPECT_EQ(netenum::SetAccountDisabled(u"\\\\SERVER1", u"carol", false), AccountChange::Changed);
    ASSERT_EQ(server.controlWrites.size(), 2u);
    for (std::uint32_t written : server.controlWrites)
        EXPECT_EQ(written & (smb::samr::ACB_AUTOLOCK | smb::samr::ACB_PW_EXPIRED), 0u);
    netapi::UserInfo3 carol;
    ASSERT_EQ(net.data().UserGetInfo(u"SERVER1", u"carol", carol), 0u);
    EXPECT_EQ(carol.flags, netapi::UF_SCRIPT | netapi::UF_NORMAL_ACCOUNT | netapi::UF_LOCKOUT |
                               0x800000u /* password expired */);
    EXPECT_EQ(std::count(server.calls.begin(), server.calls.end(), "samr 64"), 5);  // SamrConnect5
    EXPECT_EQ(std::count(server.calls.begin(), server.calls.end(), "samr 57"), 0);

    // A server older than SamrConnect5 is asked with SamrConnect2, once it
    // has said so; a member server that keeps its account database to its
    // administrators gives its own line.
    server.hasConnect5 = false;
    server.calls.clear();
    EXPECT_EQ(netenum::SetAccountDisabled(u"\\\\SERVER1", u"alice", false),
              AccountChange::AlreadyEnabled);
    EXPECT_EQ(netenum::SetAccountDisabled(u"\\\\SERVER1", u"alice", true), AccountChange::Changed);
    EXPECT_EQ(std::count(server.calls.begin(), server.calls.end(), "samr 64"), 1);
    EXPECT_EQ(std::count(server.calls.begin(), server.calls.end(), "samr 57"), 3);

    server.remoteSamRestricted = true;
    EXPECT_EQ(netenum::SetAccountDisabled(u"\\\\SERVER1", u"alice", false),
              Windows() ? AccountChange::AccessDenied : AccountChange::Changed);
}

// The messenger is gone (50): Windows' terminal server puts the message on
// every active desktop session of the user, without waiting for a click;
// Samba has no terminal services, which is said in words above this layer.
TEST_P(OnServers, DesktopMessagesReachTheUsersActiveSessions) {
    server.desktops = {{0, u"Services", u"", u"", 4},
                       {1, u"Console", u"SERVER1", u"Administrator", 0},
                       {2, u"RDP-Tcp#0", u"OFFICE", u"alice", 0},
                       {3, u"RDP-Tcp#1", u"OFFICE", u"bob", 0},
                       {4, u"RDP-Tcp#2", u"OFFICE", u"ALICE", 4},  // disconnected
                       {5, u"RDP-Tcp#3", u"OFFICE", u"Alice", 0}};
    auto sent = netenum::SendDesktopMessage(u"SERVER1", u"alice", u"Back up by noon");
    ASSERT_EQ(sent.status, Windows() ? 0u : netapi::RPC_S_SERVER_UNAVAILABLE);
    if (!Windows()) return;  // without terminal services nothing can have been delivered
    EXPECT_EQ(sent.sessions, (std::vector<std::u16string>{u"2 (RDP-Tcp#0)", u"5 (RDP-Tcp#3)"}));
    ASSERT_EQ(server.delivered.size(), 2u);
    EXPECT_EQ(server.delivered[0].text, u"Back up by noon");
    EXPECT_TRUE(server.delivered[0].title.starts_with(u"Message from "));
    EXPECT_FALSE(server.delivered[0].waited);

    EXPECT_EQ(netenum::SendDesktopMessage(u"SERVER1", u"OTHER\\alice", u"x").status,
              netapi::NERR_NameNotFound);
    EXPECT_EQ(netenum::SendDesktopMessage(u"SERVER1", u"OFFICE\\bob", u"x").sessions,
              (std::vector<std::u16string>{u"3 (RDP-Tcp#1)"}));
    EXPECT_EQ(netenum::SendDesktopMessage(u"SERVER1", u"alice", std::u16string(513, u'x')).status,
              netapi::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(server.delivered.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Personalities, OnServers,
                         ::testing::Values(Personality::Samba, Personality::Windows),
                         [](const auto& info) { return smbtest::Name(info.param); });

}  // namespace
