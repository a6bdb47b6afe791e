// The simulated network answers as a server would: what each call gives,
// how calls change the model, injected faults, the clock and scripted activity.
#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "sim/ScenarioLoader.h"
#include "text/Text.h"

namespace {

using namespace netapi;
using namespace std::chrono_literals;
using text::ToUtf8;

constexpr const char* kOffice = R"({"computers": [
  {"name": "HOST", "local": true, "type": ["workstation", "nt"], "timezone": 300,
   "accounts": [{"name": "alice", "flags": ["script", "lockout", "normal_account", "dont_expire_passwd"],
                 "full_name": "Alice Liddell"},
                {"name": "carol"}],
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

std::string S(const OptString& s) { return s ? ToUtf8(*s) : "<null>"; }

// The records of a list, one "a b c" per record, "; " between them.
template <typename R, typename F>
std::string Lines(const EnumResult<R>& list, F line) {
    std::string out;
    for (const R& r : list.records) out += (out.empty() ? "" : "; ") + line(r);
    return out;
}
std::string Files(sim::SimulatedNetwork& net, const char16_t* server) {
    return Lines(net.FileEnum(server, {}, {}), [](const FileInfo3& f) {
        return std::to_string(f.id) + " " + S(f.pathname) + " " + S(f.username);
    });
}
std::string Connections(sim::SimulatedNetwork& net, const char16_t* server, const char16_t* qualifier) {
    return Lines(net.ConnectionEnum(server, qualifier), [](const ConnectionInfo1& c) {
        return S(c.netname) + " " + S(c.username) + " " + std::to_string(c.num_opens);
    });
}
std::string Servers(sim::SimulatedNetwork& net, DWORD mask) {
    return Lines(net.ServerEnum(mask, std::nullopt), [](const ServerInfo101& s) { return S(s.name); });
}

class SimulatedNetworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        net.SetSleeper([this](std::chrono::milliseconds d) { waits.push_back(d); });
        net.SetClock([this] { return now; });
    }
    std::string Name(const OptString& server) {
        ServerInfo101 info;
        return net.ServerGetInfo(server, info) == 0 ? S(info.name) : "<failed>";
    }
    std::string Clock(const OptString& server) {
        TimeOfDay t;
        if (net.RemoteTOD(server, t) != 0) return "<failed>";
        char s[64];
        std::snprintf(s, sizeof s, "%u %04u-%02u-%02u %02u:%02u:%02u.%02u day %u zone %d", t.elapsedt, t.year,
                      t.month, t.day, t.hours, t.mins, t.secs, t.hunds, t.weekday, t.timezone);
        return s;
    }

    std::shared_ptr<sim::SimulatedNetwork> owner = sim::LoadScenario(kOffice, "office.json");
    sim::SimulatedNetwork& net = *owner;
    std::vector<std::chrono::milliseconds> waits;
    std::chrono::system_clock::time_point now{};
};

TEST_F(SimulatedNetworkTest, ConnectionsAndShareUsesFollowTheFilesAndSessions) {
    // By client (netname: the share), by share (netname: the client).
    EXPECT_EQ(Connections(net, u"FS1", u"\\\\PC2"), "IPC$ alice 1; C$ alice 1");
    EXPECT_EQ(Connections(net, u"FS1", u"data"), "PC1 alice 1; PC1 bob 1");
    EXPECT_EQ(net.ConnectionEnum(u"FS1", u"").status, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(net.ConnectionEnum(u"FS1", u"Nope").status, NERR_NetNameNotFound);
    EXPECT_EQ(net.ConnectionEnum(u"FS1", u"\\\\PC9").status, NERR_ClientNameNotFound);

    EXPECT_EQ(Lines(net.ShareEnum(u"FS1", 2),
                    [](const ShareInfo2& s) {
                        return S(s.netname) + " " + std::to_string(s.type) + " " +
                               std::to_string(s.current_uses) + " " + S(s.remark);
                    }),
              "IPC$ 2147483651 3 <null>; Data 0 2 <null>; C$ 2147483648 1 <null>");

    // Deleting sessions takes their connections and files.
    EXPECT_EQ(net.SessionDel(u"FS1", u"\\\\\\\\PC1", u"alice"), NERR_ClientNameNotFound);
    EXPECT_EQ(net.SessionDel(u"FS1", u"PC1", u"alice"), NERR_ClientNameNotFound);
    EXPECT_EQ(net.SessionDel(u"FS1", u"\\\\pc1", u"ALICE"), 0u);
    EXPECT_EQ(net.SessionEnum(u"FS1", {}, {}, 502).records.size(), 2u);
    EXPECT_EQ(Connections(net, u"FS1", u"\\\\PC1"), "IPC$ bob 0; Data bob 1");

    // No user: every user of that client.
    EXPECT_EQ(net.SessionDel(u"FS1", u"\\\\PC1", std::nullopt), 0u);
    EXPECT_EQ(net.ConnectionEnum(u"FS1", u"\\\\PC1").status, NERR_ClientNameNotFound);
    EXPECT_EQ(Files(net, u"FS1"), "9 \\PIPE\\srvsvc alice; 10 C:\\x.log alice");
}

TEST_F(SimulatedNetworkTest, CommentAndAccountsChangeWhatTheyShould) {
    ASSERT_EQ(net.ServerSetComment(u"fs1", u"Moved to rack 4"), 0u);
    ServerInfo101 info;
    EXPECT_EQ(net.ServerGetInfo(u"FS1", info) == 0 ? S(info.comment) : "", "Moved to rack 4");

    // The record goes back whole, every flag bit as written.
    UserInfo3 user;
    ASSERT_EQ(net.UserGetInfo(u"", u"ALICE", user), 0u);
    EXPECT_EQ(user.flags, UF_SCRIPT | UF_LOCKOUT | UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD);
    user.flags = 0x80000000u | UF_ACCOUNTDISABLE | UF_LOCKOUT;
    ASSERT_EQ(net.UserSetInfo(u"", u"alice", user), 0u);
    ASSERT_EQ(net.UserGetInfo(std::nullopt, u"alice", user), 0u);
    EXPECT_EQ(user.flags, 0x80000000u | UF_ACCOUNTDISABLE | UF_LOCKOUT);
    EXPECT_EQ(user.full_name, u"Alice Liddell");
    EXPECT_EQ(net.UserSetInfo(u"", u"nobody", user), NERR_UserNotFound);
    EXPECT_EQ(net.UserGetInfo(u"", u"nobody", user), NERR_UserNotFound);
    EXPECT_EQ(net.UserGetInfo(u"", u"carol", user), ERROR_ACCESS_DENIED);  // name-restricted fault
}

TEST_F(SimulatedNetworkTest, ServerNamesResolveLikeAServerListByMaskAndTellTheirClockWithTheZone) {
    for (const OptString& local : {OptString(), OptString(u"")}) EXPECT_EQ(Name(local), "HOST");
    EXPECT_EQ(Name(u"fS1"), "FS1");
    EXPECT_EQ(Name(u"\\\\fs1"), "FS1");
    EXPECT_EQ(Name(u"\\\\\\FS1"), "<failed>");
    EXPECT_EQ(Name(u"NOPE"), "<failed>");
    EXPECT_TRUE(waits.empty());  // an unknown name is not a slow one

    EXPECT_EQ(Servers(net, SV_TYPE_ALL), "HOST; FS1; DOWN");
    EXPECT_EQ(Servers(net, SV_TYPE_SERVER), "FS1; DOWN");
    EXPECT_EQ(Servers(net, SV_TYPE_WORKSTATION | SV_TYPE_SQLSERVER), "HOST");
    EXPECT_EQ(Servers(net, SV_TYPE_SQLSERVER), "");

    now = std::chrono::system_clock::time_point(std::chrono::seconds(1772667015) + 250ms);
    EXPECT_EQ(Clock(u""), "1772667015 2026-03-04 23:30:15.25 day 3 zone 300");  // a Wednesday
    // An hour ahead: past midnight.
    EXPECT_EQ(Clock(u"\\\\FS1"), "1772670615 2026-03-05 00:30:15.25 day 4 zone -60");
}

TEST_F(SimulatedNetworkTest, InjectedFaults) {
    // A wholly unreachable computer answers 53 after its delay.
    EXPECT_EQ(net.FileEnum(u"DOWN", {}, {}).status, ERROR_BAD_NETPATH);
    EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds>{250ms}));

    // One of three closes fails, and only that file stays open.
    net.AddFault(u"FS1", {.call = sim::Call::NetFileClose, .status = ERROR_ACCESS_DENIED, .ids = {8}});
    EXPECT_EQ(net.FileClose(u"FS1", 7), 0u);
    EXPECT_EQ(net.FileClose(u"FS1", 8), ERROR_ACCESS_DENIED);
    EXPECT_EQ(net.FileClose(u"FS1", 9), 0u);
    EXPECT_EQ(net.FileClose(u"FS1", 7), NERR_FileIdNotFound);  // a closed file is gone

    net.AddFault(u"FS1", sim::Fault::Unreachable(sim::Call::NetRemoteTOD, 0));
    EXPECT_EQ(Clock(u"\\\\FS1"), "<failed>");
    EXPECT_EQ(waits.size(), 1u);  // a delay of 0 does not wait

    net.ClearFaults();
    EXPECT_EQ(Files(net, u"FS1"), "8 D:\\Data\\b.txt bob; 10 C:\\x.log alice");
}

// Files open and close one step per elapsed period, the same way for the same seed.
TEST(ScriptedActivity, StepsFollowTheClockAndTheSeed) {
    auto history = [](int seed) {
        std::string json = R"({"computers": [{"name": "FS", "local": true,
          "files": [{"id": 1, "path": "D:\\1.txt", "user": "ann"}, {"id": 2, "path": "D:\\2.txt", "user": "ben"}],
          "activity": {"seed": SEED, "period_ms": 1000, "min_files": 1, "max_files": 6,
                       "paths": ["D:\\a.doc", "D:\\b.xls", "D:\\c.pdf"]}}]})";
        json.replace(json.find("SEED"), 4, std::to_string(seed));
        auto net = sim::LoadScenario(json, "busy.json");
        auto now = std::chrono::system_clock::time_point(std::chrono::hours(1000));
        net->SetClock([&now] { return now; });
        std::vector<std::string> seen;
        for (int i = 0; i < 10; ++i) {
            now += 1000ms;
            seen.push_back(Files(*net, u""));
            const auto open = net->FileEnum(u"", {}, {}).records.size();
            EXPECT_TRUE(open >= 1 && open <= 6) << open;
        }
        now += 999ms;
        EXPECT_EQ(Files(*net, u""), seen.back());  // no full period, no step
        EXPECT_EQ(net->ActivitySteps(u"FS"), 10u);
        return seen;
    };
    const auto a = history(7);
    EXPECT_GT(std::set<std::string>(a.begin(), a.end()).size(), 1u) << "the open files change";
    EXPECT_EQ(history(7), a);
    EXPECT_NE(history(8), a);
}

}  // namespace
