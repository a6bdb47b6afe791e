#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "SimListing.h"
#include "netenum/Provider.h"
#include "sim/ScenarioLoader.h"

namespace {

using namespace simtest;
using namespace std::chrono_literals;

constexpr const char* kOffice = R"({"computers": [
  {"name": "HOST", "local": true, "type": ["workstation", "nt"], "timezone": 300,
   "accounts": [{"name": "alice", "flags": ["script", "lockout", "normal_account", "dont_expire_passwd"],
                 "full_name": "Alice Liddell"},
                {"name": "carol"}],
   "messenger_names": ["ALICE"],
   "faults": [{"call": "NetUserGetInfo", "status": 5, "names": ["carol"]}]},
  {"name": "FS1", "type": ["server", "nt"], "comment": "Files", "clock_offset": 3600, "timezone": -60,
   "shares": [{"name": "IPC$"}, {"name": "Data", "path": "D:\\Data"}, {"name": "C$", "path": "C:\\"}],
   "sessions": [{"client": "PC1", "user": "alice", "time": 100}, {"client": "PC1", "user": "bob"},
                {"client": "PC2", "user": "alice"}],
   "files": [{"id": 7, "path": "D:\\Data\\a.txt", "user": "alice"},
             {"id": 8, "path": "D:\\Data\\b.txt", "user": "bob"},
             {"id": 9, "path": "\\PIPE\\srvsvc", "user": "alice", "client": "PC2"},
             {"id": 10, "path": "C:\\x.log", "user": "alice", "client": "PC2"}]},
  {"name": "DOWN", "type": ["server"], "unreachable": {"delay_ms": 250}}
]})";

class SimulatedNetworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        net = sim::LoadScenario(kOffice, "office.json");
        net->SetSleeper([this](std::chrono::milliseconds d) { waits.push_back(d); });
        net->SetClock([this] { return now; });
        netapi::SetProvider(net);
    }
    void TearDown() override {
        netapi::SetProvider(nullptr);
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }

    static std::u16string ServerName(const char16_t* server) {
        LPBYTE buffer = nullptr;
        if (NetServerGetInfo(server, 101, &buffer) != 0) return u"<failed>";
        std::u16string name = Str(reinterpret_cast<SERVER_INFO_101*>(buffer)->sv101_name);
        NetApiBufferFree(buffer);
        return name;
    }

    std::shared_ptr<sim::SimulatedNetwork> net;
    std::vector<std::chrono::milliseconds> waits;
    std::chrono::system_clock::time_point now{};
};

TEST_F(SimulatedNetworkTest, ClosingAFileRemovesItThenAnswersFileIdNotFound) {
    EXPECT_EQ(NetFileClose(u"FS1", 7), 0u);
    EXPECT_EQ(FileLines(u"FS1"), (std::vector<std::u16string>{u"8 D:\\Data\\b.txt bob", u"9 \\PIPE\\srvsvc alice",
                                                               u"10 C:\\x.log alice"}));
    EXPECT_EQ(NetFileClose(u"FS1", 7), NERR_FileIdNotFound);
}

TEST_F(SimulatedNetworkTest, OpenCountsFollowTheFilesAndConnectionsAreDerived) {
    const auto sessions = Sessions(u"FS1");
    ASSERT_EQ(sessions.read, 3u);
    EXPECT_EQ(sessions[0].sesi502_num_opens, 1u);
    EXPECT_EQ(sessions[2].sesi502_num_opens, 2u);
    EXPECT_EQ(Str(sessions[0].sesi502_cname), u"PC1");

    const auto byClient = Connections(u"FS1", u"\\\\PC2");
    ASSERT_EQ(byClient.read, 2u);
    EXPECT_EQ(Str(byClient[0].coni1_netname), u"IPC$");
    EXPECT_EQ(Str(byClient[1].coni1_netname), u"C$");
    EXPECT_EQ(byClient[0].coni1_num_opens, 1u);
    EXPECT_EQ(Str(byClient[1].coni1_username), u"alice");

    const auto byShare = Connections(u"FS1", u"data");
    ASSERT_EQ(byShare.read, 2u);
    EXPECT_EQ(Str(byShare[0].coni1_netname), u"PC1");
    EXPECT_EQ(Str(byShare[1].coni1_username), u"bob");

    EXPECT_EQ(Connections(u"FS1", u"").status, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Connections(u"FS1", u"Nope").status, NERR_NetNameNotFound);
    EXPECT_EQ(Connections(u"FS1", u"\\\\PC9").status, NERR_ClientNameNotFound);

    const auto shares = Shares(u"FS1");
    ASSERT_EQ(shares.read, 3u);
    EXPECT_EQ(shares[0].shi2_type, STYPE_IPC | STYPE_SPECIAL);
    EXPECT_EQ(shares[1].shi2_current_uses, 2u);
    EXPECT_EQ(shares[1].shi2_remark, nullptr);
}

TEST_F(SimulatedNetworkTest, DeletingSessionsTakesTheirConnectionsAndFiles) {
    EXPECT_EQ(NetSessionDel(u"FS1", u"\\\\\\\\PC1", u"alice"), NERR_ClientNameNotFound);
    EXPECT_EQ(NetSessionDel(u"FS1", u"PC1", u"alice"), NERR_ClientNameNotFound);
    EXPECT_EQ(NetSessionDel(u"FS1", u"\\\\pc1", u"ALICE"), 0u);

    EXPECT_EQ(Sessions(u"FS1").read, 2u);
    EXPECT_EQ(FileLines(u"FS1").front(), u"8 D:\\Data\\b.txt bob");
    const auto left = Connections(u"FS1", u"\\\\PC1");
    ASSERT_EQ(left.read, 2u);
    EXPECT_EQ(Str(left[0].coni1_username), u"bob");
    EXPECT_EQ(Str(left[1].coni1_username), u"bob");

    // No user: every user of that client.
    EXPECT_EQ(NetSessionDel(u"FS1", u"\\\\PC1", nullptr), 0u);
    EXPECT_EQ(Connections(u"FS1", u"\\\\PC1").status, NERR_ClientNameNotFound);
    EXPECT_EQ(FileLines(u"FS1").size(), 2u);
    EXPECT_EQ(NetSessionDel(u"FS1", u"\\\\PC1", nullptr), NERR_ClientNameNotFound);
}

TEST_F(SimulatedNetworkTest, CommentAccountsAndMessagesChangeWhatTheyShould) {
    SERVER_INFO_1005 comment{const_cast<LPWSTR>(u"Moved to rack 4")};
    ASSERT_EQ(NetServerSetInfo(u"fs1", 1005, reinterpret_cast<LPBYTE>(&comment), nullptr), 0u);
    LPBYTE info = nullptr;
    ASSERT_EQ(NetServerGetInfo(u"FS1", 101, &info), 0u);
    EXPECT_EQ(Str(reinterpret_cast<SERVER_INFO_101*>(info)->sv101_comment), u"Moved to rack 4");
    NetApiBufferFree(info);

    // The record goes back whole, every flag bit as written.
    LPBYTE user = nullptr;
    ASSERT_EQ(NetUserGetInfo(u"", u"ALICE", 3, &user), 0u);
    auto* record = reinterpret_cast<USER_INFO_3*>(user);
    EXPECT_EQ(record->usri3_flags, UF_SCRIPT | UF_LOCKOUT | UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD);
    record->usri3_flags = 0x80000000u | UF_ACCOUNTDISABLE | UF_LOCKOUT;
    ASSERT_EQ(NetUserSetInfo(u"", u"alice", 3, user, nullptr), 0u);
    NetApiBufferFree(user);
    ASSERT_EQ(NetUserGetInfo(nullptr, u"alice", 3, &user), 0u);
    record = reinterpret_cast<USER_INFO_3*>(user);
    EXPECT_EQ(record->usri3_flags, 0x80000000u | UF_ACCOUNTDISABLE | UF_LOCKOUT);
    EXPECT_EQ(Str(record->usri3_full_name), u"Alice Liddell");
    EXPECT_EQ(NetUserSetInfo(u"", u"nobody", 3, user, nullptr), NERR_UserNotFound);
    NetApiBufferFree(user);
    EXPECT_EQ(NetUserGetInfo(u"", u"nobody", 3, &user), NERR_UserNotFound);
    EXPECT_EQ(NetUserGetInfo(u"", u"carol", 3, &user), ERROR_ACCESS_DENIED);  // name-restricted fault

    const std::u16string text = u"hi";
    std::vector<std::uint8_t> bytes(text.size() * 2);
    std::memcpy(bytes.data(), text.data(), bytes.size());
    EXPECT_EQ(NetMessageBufferSend(nullptr, u"alice", nullptr, bytes.data(), 4), 0u);
    EXPECT_EQ(NetMessageBufferSend(nullptr, u"bob", nullptr, bytes.data(), 4), NERR_NameNotFound);
    const auto sent = net->SentMessages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].computer, u"HOST");
    EXPECT_EQ(sent[0].recipient, u"alice");
    EXPECT_FALSE(sent[0].sender.has_value());
    EXPECT_EQ(sent[0].text, u"hi");
}

TEST_F(SimulatedNetworkTest, ServerNamesResolveLikeAServer) {
    EXPECT_EQ(ServerName(nullptr), u"HOST");
    EXPECT_EQ(ServerName(u""), u"HOST");
    EXPECT_EQ(ServerName(u"fS1"), u"FS1");
    EXPECT_EQ(ServerName(u"\\\\fs1"), u"FS1");
    LPBYTE buffer = nullptr;
    EXPECT_EQ(NetServerGetInfo(u"\\\\\\FS1", 101, &buffer), ERROR_BAD_NETPATH);
    EXPECT_EQ(NetServerGetInfo(u"NOPE", 101, &buffer), ERROR_BAD_NETPATH);
    EXPECT_TRUE(waits.empty());  // an unknown name is not a slow one
}

TEST_F(SimulatedNetworkTest, InjectedFaults) {
    // A wholly unreachable computer answers 53 after its delay.
    EXPECT_EQ(Files(u"DOWN").status, ERROR_BAD_NETPATH);
    EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{250ms}));

    ASSERT_TRUE(net->AddFault(u"FS1", sim::Fault::Status(sim::Call::NetShareEnum, ERROR_ACCESS_DENIED)));
    const auto shares = Shares(u"FS1");
    EXPECT_EQ(shares.status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(shares.buffer, nullptr);

    net->AddFault(u"FS1", sim::Fault::Partial(sim::Call::NetFileEnum, 2));
    const auto files = Files(u"FS1");
    EXPECT_EQ(files.status, ERROR_MORE_DATA);
    EXPECT_EQ(files.read, 2u);
    EXPECT_EQ(files.total, 4u);
    EXPECT_EQ(files[1].fi3_id, 8u);

    // One of three closes fails, and only that file stays open.
    auto close = sim::Fault::Status(sim::Call::NetFileClose, ERROR_ACCESS_DENIED);
    close.ids = {8};
    net->AddFault(u"FS1", close);
    EXPECT_EQ(NetFileClose(u"FS1", 7), 0u);
    EXPECT_EQ(NetFileClose(u"FS1", 8), ERROR_ACCESS_DENIED);
    EXPECT_EQ(NetFileClose(u"FS1", 9), 0u);

    net->AddFault(u"FS1", sim::Fault::Unreachable(sim::Call::NetRemoteTOD, 0));
    LPBYTE buffer = nullptr;
    EXPECT_EQ(NetRemoteTOD(u"\\\\FS1", &buffer), ERROR_BAD_NETPATH);
    EXPECT_EQ(waits.size(), 1u);  // a delay of 0 does not wait

    net->AddFault(u"", sim::Fault::Status(sim::Call::NetServerEnum, 6118));
    EXPECT_EQ(Servers(SV_TYPE_ALL).status, 6118u);

    net->ClearFaults();
    EXPECT_EQ(Servers(SV_TYPE_ALL).status, 0u);
    EXPECT_EQ(FileLines(u"FS1"), (std::vector<std::u16string>{u"8 D:\\Data\\b.txt bob", u"10 C:\\x.log alice"}));
}

TEST_F(SimulatedNetworkTest, ServerEnumerationByMaskInScenarioOrder) {
    auto names = [](DWORD mask) {
        const auto l = Servers(mask);
        std::vector<std::u16string> out;
        for (DWORD i = 0; i < l.read; ++i) out.push_back(Str(l[i].sv101_name));
        EXPECT_EQ(l.status, 0u);
        return out;
    };
    EXPECT_EQ(names(SV_TYPE_ALL), (std::vector<std::u16string>{u"HOST", u"FS1", u"DOWN"}));
    EXPECT_EQ(names(SV_TYPE_SERVER), (std::vector<std::u16string>{u"FS1", u"DOWN"}));
    EXPECT_EQ(names(SV_TYPE_WORKSTATION | SV_TYPE_SQLSERVER), (std::vector<std::u16string>{u"HOST"}));
    EXPECT_TRUE(names(SV_TYPE_SQLSERVER).empty());
}

TEST_F(SimulatedNetworkTest, RemoteClockIsNowPlusOffsetInUtcWithTheZone) {
    now = std::chrono::system_clock::time_point(std::chrono::seconds(1772667015) + 250ms);  // 2026-03-04 23:30:15.25 UTC
    LPBYTE buffer = nullptr;
    ASSERT_EQ(NetRemoteTOD(u"", &buffer), 0u);
    auto* tod = reinterpret_cast<TIME_OF_DAY_INFO*>(buffer);
    EXPECT_EQ(tod->tod_elapsedt, 1772667015u);
    EXPECT_EQ(tod->tod_year * 10000 + tod->tod_month * 100 + tod->tod_day, 20260304u);
    EXPECT_EQ(tod->tod_hours * 10000 + tod->tod_mins * 100 + tod->tod_secs, 233015u);
    EXPECT_EQ(tod->tod_hunds, 25u);
    EXPECT_EQ(tod->tod_weekday, 3u);  // Wednesday
    EXPECT_EQ(tod->tod_timezone, 300);
    NetApiBufferFree(buffer);

    ASSERT_EQ(NetRemoteTOD(u"\\\\FS1", &buffer), 0u);  // an hour ahead: past midnight
    tod = reinterpret_cast<TIME_OF_DAY_INFO*>(buffer);
    EXPECT_EQ(tod->tod_year * 10000 + tod->tod_month * 100 + tod->tod_day, 20260305u);
    EXPECT_EQ(tod->tod_hours * 10000 + tod->tod_mins * 100 + tod->tod_secs, 3015u);
    EXPECT_EQ(tod->tod_weekday, 4u);
    EXPECT_EQ(tod->tod_timezone, -60);
    NetApiBufferFree(buffer);
}

constexpr const char* kBusy = R"({"computers": [{"name": "FS", "local": true,
  "shares": [{"name": "Data", "path": "D:\\Data"}],
  "sessions": [{"client": "PC1", "user": "ann"}, {"client": "PC2", "user": "ben"}],
  "files": [{"id": 1, "path": "D:\\Data\\1.txt", "user": "ann"}, {"id": 2, "path": "D:\\Data\\2.txt", "user": "ben"},
            {"id": 3, "path": "D:\\Data\\3.txt", "user": "ann"}],
  "activity": {"seed": SEED, "period_ms": 1000, "min_files": 1, "max_files": 6,
               "paths": ["D:\\Data\\a.doc", "D:\\Data\\b.xls", "D:\\Data\\c.pdf"]}}]})";

// Files open and close one step per elapsed period, the same way for the same seed.
TEST(ScriptedActivity, StepsFollowTheClockAndTheSeed) {
    auto history = [](int seed, std::vector<std::u16string>* start = nullptr) {
        std::string json = kBusy;
        json.replace(json.find("SEED"), 4, std::to_string(seed));
        auto net = sim::LoadScenario(json, "busy.json");
        auto now = std::chrono::system_clock::time_point(std::chrono::hours(1000));
        net->SetClock([&now] { return now; });
        netapi::SetProvider(net);
        if (start != nullptr) *start = FileLines(u"");
        std::vector<std::vector<std::u16string>> seen;
        for (int i = 0; i < 10; ++i) {
            now += 1000ms;
            seen.push_back(FileLines(u""));
            EXPECT_GE(seen.back().size(), 1u);
            EXPECT_LE(seen.back().size(), 6u);
        }
        now += 999ms;
        EXPECT_EQ(FileLines(u""), seen.back());  // no full period, no step
        EXPECT_EQ(net->ActivitySteps(u"FS"), 10u);
        netapi::SetProvider(nullptr);
        return seen;
    };
    std::vector<std::u16string> start;
    const auto a = history(7, &start);
    EXPECT_EQ(start.size(), 3u);
    EXPECT_NE(a.back(), start);
    EXPECT_EQ(history(7), a);
    EXPECT_NE(history(8), a);
    EXPECT_EQ(netapi::LiveBufferCount(), 0u);
}

}  // namespace
