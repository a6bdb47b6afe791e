// The list mode's option line, its filters and its acts on the rows listed
// (--close, --disconnect), on a simulated network in this process.
#include <gtest/gtest.h>

#include "ListRun.h"
#include "sim/ScenarioTest.h"

namespace {

constexpr const char* kNetwork = R"({ "computers": [
  { "name": "FS1",
    "sessions": [ { "client": "PC1", "user": "alice", "idle": 3600 },
                  { "client": "PC2", "user": "alice", "idle": 30 },
                  { "client": "PC2", "user": "Bob", "idle": 7200 },
                  { "client": "PC3", "user": "carol", "idle": 7200 },
                  { "client": "PC3", "user": "carol", "idle": 10 } ],
    "files": [ { "id": 7, "path": "D:\\Data\\budget.xlsx", "user": "alice" },
               { "id": 8, "path": "D:\\Data\\Budget-2.xlsx", "user": "Bob" },
               { "id": 9, "path": "D:\\Data\\budget-3.xlsx", "user": "bob" },
               { "id": 10, "path": "D:\\Data\\plan.doc", "user": "bob" } ] },
  { "name": "FS2",
    "files": [ { "id": 7, "path": "E:\\budget.xlsx", "user": "bob" } ] } ] })";

using clitest::Parse;
using clitest::RunList;

class ListActions : public simtest::ScenarioTest {
protected:
    ListActions() : ScenarioTest(kNetwork) {}
};

TEST(ListOptions, BadInputGetsOneClearMessageAndNothingIsSent) {
    const std::string longPattern(1025, '*');
    const std::string fits(1024, '*');
    const struct {
        std::vector<const char*> args;
        const char* problem;
    } cases[] = {
        {{"--list"}, ""},
        {{"--list", "files"}, ""},
        {{"--list", "printers", "--server", "x"}, ""},
        {{"--list", "files", "--server"}, ""},
        {{"--list", "files", "--list", "shares", "--server", "x"}, ""},
        {{"--list", "files", "--server", "x", "--format", "xml"}, ""},
        {{"--list", "files", "--server", "x", "--share", "s"}, ""},
        {{"--list", "connections", "--server", "x"}, ""},
        {{"--list", "connections", "--server", "x", "--share", "s", "--client", "c"}, ""},
        {{"--list", "files", "--server", "x", "--bogus"}, ""},
        {{"--list", "files", "--server", "x", "--match", "a", "--match", "b"}, ""},
        {{"--list", "files", "--server", "x", "--match", longPattern.c_str()}, ""},
        {{"--list", "files", "--server", "FS1", "--user", longPattern.c_str()},
         "--user is longer than 1024 characters"},
        {{"--list", "sessions", "--server", "FS1", "--client", longPattern.c_str()},
         "--client is longer than 1024 characters"},
        {{"--list", "sessions", "--server", "FS1", "--idle", "-1"}, "--idle takes whole minutes"},
        {{"--list", "sessions", "--server", "FS1", "--idle", "71582789"}, "--idle takes whole minutes"},
        {{"--list", "sessions", "--server", "FS1", "--idle", "5m"}, "--idle takes whole minutes"},
        {{"--list", "files", "--server", "FS1", "--idle", "5"}, "--idle belongs to --list sessions"},
        {{"--list", "files", "--server", "FS1", "--client", "PC*"}, "--client is not known for open files"},
        {{"--list", "sessions", "--server", "FS1", "--close"}, "--close belongs to --list files"},
        {{"--list", "files", "--server", "FS1", "--disconnect"}, "--disconnect belongs to --list sessions"},
        {{"--list", "files", "--server", "FS1", "--close=yes"}, "--close takes no value"},
        {{"--list", "shares", "--server", "FS1", "--user", "a"}, "--user belongs to --list files or sessions"},
        {{"--list", "files", "--server", "  ", "--close"}, "--server needs a computer name"},
    };
    for (const auto& c : cases) {
        const auto line = Parse(c.args);
        EXPECT_EQ(line.kind, app::OptionLine::Kind::Malformed) << c.args[1] << " " << c.problem;
        EXPECT_FALSE(line.problem.empty());
        EXPECT_NE(line.problem.find(c.problem), std::string::npos) << line.problem;
    }
    const auto equals = Parse({"--list=connections", "--server=a", "--server", "b", "--client=WS1",
                               "--format=json", "--match=*X*"});
    ASSERT_EQ(equals.kind, app::OptionLine::Kind::List) << equals.problem;
    EXPECT_EQ(equals.request.servers, (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(equals.request.query.client, u"WS1");
    EXPECT_EQ(equals.request.query.match, std::optional<std::u16string>(u"*x*"));
    // At the limits, accepted.
    EXPECT_EQ(Parse({"--list", "files", "--server", "FS1", "--user", fits.c_str(), "--close"}).kind,
              app::OptionLine::Kind::List);
    EXPECT_EQ(Parse({"--list", "sessions", "--server", "FS1", "--idle", "71582788"}).request.query.idleMinutes,
              71582788u);
}

TEST_F(ListActions, AnEmptyComputerListIsSaidNotListed) {
    net->AddFault(u"", sim::Fault::Status(sim::Call::NetServerEnum, netapi::ERROR_BAD_NETPATH));
    const auto r = RunList({"--list", "files", "--server", "all", "--close"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("vantor: there are no computers to list\n"), std::string::npos) << r.err;
}

// The rows listed are exactly the rows acted on; a file whose id no longer
// names it is not closed and is no failure; a refused check is.
TEST_F(ListActions, CloseActsOnExactlyTheRowsListed) {
    net->AddFault(u"FS1", {.call = sim::Call::NetFileGetInfo, .status = netapi::NERR_FileIdNotFound, .ids = {9}});
    auto r = RunList({"--list", "files", "--server", "FS1", "--match", "*BUDGET*", "--user", "b?b",
                      "--close", "--format", "csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "server,id,user,access,locks,path,outcome\r\n"
              "FS1,8,Bob,Read,0,D:\\Data\\Budget-2.xlsx,closed\r\n"
              "FS1,9,bob,Read,0,D:\\Data\\budget-3.xlsx,no longer open\r\n");
    EXPECT_EQ(r.err, "");

    net->ClearFaults();
    net->AddFault(u"FS1", {.call = sim::Call::NetFileGetInfo, .status = netapi::ERROR_ACCESS_DENIED});
    r = RunList({"--list", "files", "--server", "FS1", "--close", "--format", "csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("FS1,7,alice,Read,0,D:\\Data\\budget.xlsx,failed\r\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("vantor: FS1: Error closing file D:\\Data\\budget.xlsx : Access is denied."),
              std::string::npos) << r.err;

    net->ClearFaults();
    r = RunList({"--list", "files", "--server", "FS1", "--format", "csv"});
    EXPECT_EQ(r.out,
              "server,id,user,access,locks,path\r\n"
              "FS1,7,alice,Read,0,D:\\Data\\budget.xlsx\r\n"
              "FS1,9,bob,Read,0,D:\\Data\\budget-3.xlsx\r\n"
              "FS1,10,bob,Read,0,D:\\Data\\plan.doc\r\n");
}

// Each server's rows are closed by the child that listed them: an id is
// only ever checked on the server that gave it.
TEST_F(ListActions, EachServerClosesItsOwnRows) {
    const auto r = RunList({"--list", "files", "--server", "FS1", "--server", "FS2", "--server", "NOSUCH",
                            "--match", "*\\budget.xlsx", "--close", "--format", "csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "server,id,user,access,locks,path,outcome\r\n"
              "FS1,7,alice,Read,0,D:\\Data\\budget.xlsx,closed\r\n"
              "FS2,7,bob,Read,0,E:\\budget.xlsx,closed\r\n");
    EXPECT_EQ(r.err, "vantor: NOSUCH: NetFileEnum error 53 : The network path was not found.\n");
}

TEST_F(ListActions, SessionFiltersAndDisconnect) {
    auto r = RunList({"--list", "sessions", "--server", "FS1", "--client", "pc[12]", "--idle", "60",
                      "--format", "csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "server,user,client,opens,time,idle,guest,transport\r\n"
              "FS1,alice,PC1,1,00:00:00,01:00:00,No,\r\n"
              "FS1,Bob,PC2,3,00:00:00,02:00:00,No,\r\n");

    // carol's idle session from PC3 shares its pair with a busy one: ending
    // it would end both, so it is left alone and said.
    r = RunList({"--list", "sessions", "--server", "FS1", "--user", "*o*", "--idle", "60", "--disconnect",
                 "--format", "csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "server,user,client,opens,time,idle,guest,transport,outcome\r\n"
              "FS1,Bob,PC2,3,00:00:00,02:00:00,No,,disconnected\r\n"
              "FS1,carol,PC3,0,00:00:00,02:00:00,No,,failed\r\n");
    EXPECT_EQ(r.err, "vantor: FS1: Session of carol from PC3 not ended: the same user has a "
                     "session from there that was not listed\n");
    r = RunList({"--list", "sessions", "--server", "FS1", "--format", "csv"});
    EXPECT_EQ(r.out.find("Bob"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("carol"), std::string::npos) << r.out;
}

}  // namespace
