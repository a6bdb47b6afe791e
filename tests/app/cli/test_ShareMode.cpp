// The share commands on a simulated server: refusals before any call,
// changes written once, and the permissions list.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "app/cli/CommandLine.h"
#include "app/cli/ShareMode.h"
#include "sim/ScenarioTest.h"

namespace {

struct Result {
    int status;
    std::string out, err;
};

class ShareCommands : public simtest::ScenarioTest {
protected:
    ShareCommands() : ScenarioTest(R"({"computers": [{"name": "HOST", "local": true},
      {"name": "FS1", "accounts": [{"name": "alice", "user_id": 1104}, {"name": "bob", "user_id": 1105}],
       "shares": [{"name": "Data", "path": "D:\\Data", "remark": "Team data"}]}]})") {}
    // Parsed as main parses it, then run; a malformed line never runs.
    Result Vantor(std::vector<const char*> args) {
        args.insert(args.begin(), "vantor");
        EXPECT_TRUE(app::IsShareCommandLine(static_cast<int>(args.size()), args.data()));
        std::string problem;
        const auto command = app::ParseShareCommand(static_cast<int>(args.size()), args.data(), problem);
        if (!command) return {app::kExitMalformed, "", problem};
        std::ostringstream out, err;
        const int status = app::RunShareCommand(*command, app::OutputKind::Pipe, out, err);
        return {status, out.str(), err.str()};
    }
    nlohmann::json Permissions(const char* share) {
        const auto r = Vantor({"--list", "permissions", "--server", "FS1", "--share", share, "--format", "json"});
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::json::parse(r.out);
    }
};

TEST_F(ShareCommands, BadInputIsRefusedWithItsReasonAndChangesNothing) {
    const std::string longName(81, 'n');
    const struct {
        std::vector<const char*> args;
        int status;
        const char* says;
    } cases[] = {
        {{"--share", "add", "--server", "FS1", "--name", "A;B", "--path", "D:\\x"}, 2, "\";\""},
        {{"--share", "add", "--server", "FS1", "--name", longName.c_str(), "--path", "D:\\x"}, 2, "80"},
        {{"--share", "add", "--server", "FS1", "--name", "New", "--path", "Shares\\New"}, 2, "not absolute"},
        {{"--share", "add", "--server", "FS1", "--name", "New"}, 2, "--path is missing"},
        {{"--share", "add", "--server", "FS1", "--name", "New", "--path", "D:\\x", "--max-uses", "0"}, 2, "--max-uses"},
        {{"--share", "set", "--server", "FS1", "--name", "Data", "--max-uses", "16777217"}, 2, "--max-uses"},
        {{"--share", "set", "--server", "FS1", "--name", "Data", "--grant", "alice"}, 2, "ACCOUNT:full"},
        {{"--share", "set", "--server", "FS1", "--name", "Data", "--grant", "alice:read", "--deny", "ALICE:full"},
         2, "contradictory entries for \"alice\": grant read and deny full"},
        {{"--share", "set", "--server", "FS1", "--name", "Data", "--grant", "alice:read", "--revoke", "FS1\\alice"},
         1, "contradictory entries for \"alice\" and \"FS1\\alice\" (one account): grant read and revoke"},
        {{"--share", "set", "--server", "FS1", "--name", "Data", "--grant", "mallory:read", "--remark", "x"},
         1, "the account \"mallory\" is not known there; nothing was changed"},
        {{"--share", "remove", "--server", "FS1", "--name", "Da*"}, 2, "never a pattern"},
        {{"--share", "remove", "--server", "all", "--name", "Data"}, 2, "one server"},
        {{"--share", "add", "--server", "FS1", "--name", "New", "--path", "D:\\x", "--revoke", "bob"}, 2, "--revoke belongs"},
        {{"--share", "set", "--server", "FS1", "--name", "Data"}, 2, "needs --remark"},
    };
    for (const auto& c : cases) {
        const Result r = Vantor(c.args);
        EXPECT_EQ(r.status, c.status) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(net->ShareSetInfoCalls(), 0u);
}

TEST_F(ShareCommands, AShareCreatedChangedListedAndRemoved) {
    auto r = Vantor({"--share", "add", "--server", "FS1", "--name", "Projects", "--path", "D:\\Projects",
                     "--remark", "Project files", "--max-uses", "5", "--grant", "alice:change", "--deny", "bob:full"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "FS1: shared \"D:\\Projects\" as \"Projects\"\n");
    auto list = Permissions("Projects");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["account"], "FS1\\bob");
    EXPECT_EQ(list[0]["type"], "deny");
    EXPECT_EQ(list[0]["access"], "full");
    EXPECT_EQ(list[1]["account"], "FS1\\alice");
    EXPECT_EQ(list[1]["sid"].get<std::string>().rfind("S-1-5-21-", 0), 0u);
    EXPECT_EQ(list[1]["access"], "change");

    // Asking for what is already there writes nothing; a repeat is no contradiction.
    r = Vantor({"--share", "set", "--server", "FS1", "--name", "Projects", "--grant", "alice:change", "--max-uses", "5",
                "--grant", "ALICE:change"});
    EXPECT_EQ(r.out, "FS1: share \"Projects\": nothing to change\n");
    EXPECT_EQ(net->ShareSetInfoCalls(), 0u);
    // Three account changes are one write of the whole list.
    r = Vantor({"--share", "set", "--server", "FS1", "--name", "Projects", "--revoke", "bob", "--grant",
                "alice:read", "--grant", "Everyone:read"});
    EXPECT_EQ(r.out, "FS1: share \"Projects\": permissions changed\n");
    EXPECT_EQ(net->ShareSetInfoCalls(), 1u);
    list = Permissions("Projects");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["account"], "FS1\\alice");
    EXPECT_EQ(list[1]["account"], "Everyone");

    r = Vantor({"--share", "remove", "--server", "FS1", "--name", "Projects"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = Vantor({"--share", "remove", "--server", "FS1", "--name", "Projects"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("NetShareDel error 2310"), std::string::npos) << r.err;
}

}  // namespace
