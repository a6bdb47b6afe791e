// The list mode and the close mode in this process, through the SMB stack to
// a scripted server in Samba's and in the documents' Windows personality.
#include <gtest/gtest.h>

#include "app/cli/CommandLine.h"
#include "app/cli/ListMode.h"
#include "ListRun.h"
#include "netenum/netapi.h"
#include "sim/ScenarioLoader.h"
#include "tests/smb/ServerPersonality.h"

namespace {

using clitest::Outcome;
using clitest::RunList;
using smbtest::Personality;

constexpr const char* kServer = R"({ "computers": [
  { "name": "ADMINPC", "local": true },
  { "name": "SERVER1",
    "shares": [ { "name": "DATA", "path": "D:\\Data" } ],
    "sessions": [ { "client": "10.0.0.5", "user": "alice", "time": 61, "transport": "tcp" } ],
    "files": [ { "id": 7, "path": "D:\\Data\\a.xls", "user": "alice" } ] } ] })";

class CommandLineOnServers : public ::testing::TestWithParam<Personality> {
protected:
    void TearDown() override { EXPECT_EQ(netapi::LiveBufferCount(), 0u); }
    bool Windows() const { return GetParam() == Personality::Windows; }

    smbtest::PersonalityNetwork net{GetParam(), sim::ParseScenario(kServer, "server")};
};

// What a lower level does not carry is an empty cell (null in JSON), and a
// client listed as Windows lists it can be asked about as it stands.
TEST_P(CommandLineOnServers, ListsWhatTheServerGives) {
    net.server().callerIsAdmin = false;
    Outcome r = RunList({"--list", "sessions", "--server", "SERVER1", "--format", "csv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Windows() ? "server,user,client,opens,time,idle,guest,transport\r\n"
                                 "SERVER1,alice,\\\\10.0.0.5,,00:01:01,00:00:00,,\r\n"
                               : "server,user,client,opens,time,idle,guest,transport\r\n"
                                 "SERVER1,alice,10.0.0.5,1,00:01:01,00:00:00,No,\r\n");
    r = RunList({"--list", "shares", "--server", "SERVER1", "--format", "json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(Windows() ? R"("uses":null,"max_uses":null,"path":"")"
                                   : R"("uses":1,"max_uses":-1,"path":"D:\\Data")"),
              std::string::npos)
        << r.out;
    r = RunList({"--list", "connections", "--server", "SERVER1", "--client",
              Windows() ? "\\\\10.0.0.5" : "10.0.0.5", "--format", "csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("SERVER1,DATA,"), std::string::npos) << r.out;
}

// "SERVER1,*,c" closes every file but the pipe the run itself talks through,
// which Windows lists; that one is named, and the run says not all closed.
TEST_P(CommandLineOnServers, TheCloseModeLeavesItsOwnPipe) {
    std::ostringstream err;
    const int status = app::RunCommandLine(u"server1,*,c", err);
    EXPECT_EQ(status, Windows() ? app::kExitFailed : app::kExitOk);
    EXPECT_EQ(err.str(), Windows() ? "Error closing file \\PIPE\\srvsvc : The requested resource is "
                                     "in use.\n"
                                   : "");
    EXPECT_EQ(net.server().pipesClosedByClient, 0);
    EXPECT_EQ(net.data().FileEnum(u"SERVER1", std::nullopt, std::nullopt).records.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Personalities, CommandLineOnServers,
                         ::testing::Values(Personality::Samba, Personality::Windows),
                         [](const auto& info) { return smbtest::Name(info.param); });

}  // namespace
