// The list mode against several real servers at once (allcomputers-bed:
// three smbds in network namespaces of their own and a black hole), run as
// an administrator would: the program itself, every server named on one
// command line. What each server holds is read from the server (smbstatus).
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <map>
#include <memory>
#include <thread>

#include "support/AllComputersBed.h"
#include "support/ProgramRun.h"

namespace {

using testing_support::AllComputersBed;
using testing_support::BedServer;
using testing_support::PathAndUser;
using testing_support::UserAndClient;

const AllComputersBed& Bed() { return AllComputersBed::Get(); }
const std::string& Ann() { return Bed().users[0]; }
const std::string& Ben() { return Bed().users[1]; }

// A server acts on a close or a disconnect after it has answered: waits (a
// few seconds at most) until `read()` gives `expected`, and returns what it
// gives then.
template <class Read, class T>
T Settled(Read read, const T& expected) {
    T now = read();
    for (int i = 0; i < 50 && now != expected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        now = read();
    }
    return now;
}

class AllComputers : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Bed().skip.empty()) GTEST_SKIP() << Bed().skip;
        // A relay pass that reached the servers directly would test the direct way twice.
        for (const auto& s : Bed().servers)
            ASSERT_EQ(testing_support::ResolvedAddress(s.name), Bed().viaRelay ? s.relay : s.address) << s.name;
        // What an earlier test held must not count here.
        ASSERT_TRUE(Bed().WaitUntilIdle());
    }

    void Hold(const BedServer& s, const std::string& user, const std::vector<std::string>& paths) {
        mHolders.push_back(Bed().Hold(VANTOR_SMB_HOLDER, s, user, paths));
        ASSERT_TRUE(mHolders.back()->Ready()) << s.name << ": " << mHolders.back()->Failure();
    }

    struct Run {
        int status = -1;
        nlohmann::json rows;
        std::vector<std::string> errors;  // lines on standard error
    };
    // vantor --list WHAT, every server named, then `more`, as JSON.
    static Run List(const std::string& what, const std::vector<std::string>& more, bool withHole = false) {
        std::vector<std::string> args = {"--list", what, "--format", "json"};
        for (const auto& s : Bed().servers) args.insert(args.end(), {"--server", s.name});
        if (withHole) args.insert(args.end(), {"--server", Bed().hole});
        args.insert(args.end(), more.begin(), more.end());
        const auto run = testing_support::RunProgram(
            VANTOR_BINARY, args,
            {{"VANTOR_SMB_AUTHFILE", Bed().adminAuth}, {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"}});
        Run r;
        r.status = run.status;
        r.rows = nlohmann::json::parse(run.out, nullptr, false);
        std::istringstream err(run.err);
        for (std::string line; std::getline(err, line);) r.errors.push_back(line);
        return r;
    }

    // The listed files of one server as (path, user), sorted.
    static std::vector<PathAndUser> FilesOf(const nlohmann::json& rows, const std::string& server) {
        std::vector<PathAndUser> files;
        for (const auto& row : rows)
            if (row["server"] == server) files.emplace_back(row["path"], row["user"]);
        std::sort(files.begin(), files.end());
        return files;
    }

    static std::vector<std::string> UsersOf(const std::vector<UserAndClient>& sessions) {
        std::vector<std::string> users;
        for (const auto& [user, client] : sessions)
            if (user != "root") users.push_back(user);
        return users;
    }

    std::vector<std::unique_ptr<testing_support::FileHolder>> mHolders;
};

// One search lists on each server exactly what that server holds open;
// the black hole is one failure line, and everyone else is listed anyway.
// (The relay pass leaves the black hole out: it is reached directly either
// way, and its deadline would only cost time again.)
TEST_F(AllComputers, ListsWhatEachServerHoldsAndTheBlackHoleIsOneLine) {
    const auto& s = Bed().servers;
    Hold(s[0], Ann(), {"docs/Budget-2026.xlsx", "docs/notes.txt"});
    Hold(s[0], Ben(), {"docs/plan.doc"});
    Hold(s[1], Ben(), {"docs/budget-old.xlsx"});
    Hold(s[2], Ann(), {"docs/notes.txt", "docs/plan.doc", "docs/budget-old.xlsx"});
    const bool withHole = !Bed().viaRelay;
    const auto run = List("files", {}, withHole);
    EXPECT_EQ(run.status, withHole ? 1 : 0);
    ASSERT_EQ(run.errors.size(), withHole ? 1u : 0u) << ::testing::PrintToString(run.errors);
    if (withHole) {
        EXPECT_EQ(run.errors[0].rfind("vantor: " + Bed().hole + ": NetFileEnum error ", 0), 0u) << run.errors[0];
    }
    ASSERT_TRUE(run.rows.is_array());
    std::size_t total = 0;
    for (const auto& server : s) {
        const auto held = Bed().OpenFiles(server);
        EXPECT_FALSE(held.empty()) << server.name;
        EXPECT_EQ(FilesOf(run.rows, server.name), held) << server.name;
        total += held.size();
    }
    EXPECT_EQ(run.rows.size(), total);
}

// --match with --close closes exactly the matching files on each server
// (case ignored), says so per row, and leaves the others open; a second run
// finds nothing left to close. Then --user with --disconnect ends exactly the
// sessions listed: one user's, on every server, while the other user's stay.
TEST_F(AllComputers, CloseAndDisconnectEndExactlyTheMatchesOnEveryServer) {
    const auto& s = Bed().servers;
    Hold(s[0], Ann(), {"docs/Budget-2026.xlsx", "docs/notes.txt"});
    Hold(s[0], Ben(), {"docs/plan.doc"});
    Hold(s[1], Ben(), {"docs/budget-old.xlsx", "docs/plan.doc"});
    Hold(s[1], Ann(), {"docs/Budget-2026.xlsx"});
    Hold(s[2], Ann(), {"docs/notes.txt"});
    Hold(s[2], Ben(), {"docs/plan.doc"});
    std::map<std::string, std::vector<PathAndUser>> kept, closed;
    for (const auto& server : s)
        for (const auto& file : Bed().OpenFiles(server))
            (file.first.find("udget") != std::string::npos ? closed : kept)[server.name].push_back(file);
    ASSERT_EQ(closed["filesb"].size(), 2u);

    const auto run = List("files", {"--match", "*BUDGET*", "--close"});
    EXPECT_EQ(run.status, 0) << ::testing::PrintToString(run.errors);
    EXPECT_TRUE(run.errors.empty()) << ::testing::PrintToString(run.errors);
    ASSERT_TRUE(run.rows.is_array());
    for (const auto& row : run.rows) EXPECT_EQ(row["outcome"], "closed") << row.dump();
    for (const auto& server : s) {
        EXPECT_EQ(FilesOf(run.rows, server.name), closed[server.name]) << server.name;
        EXPECT_EQ(Settled([&] { return Bed().OpenFiles(server); }, kept[server.name]), kept[server.name])
            << server.name;
    }

    const auto again = List("files", {"--match", "*BUDGET*", "--close"});
    EXPECT_EQ(again.status, 0) << ::testing::PrintToString(again.errors);
    EXPECT_EQ(again.rows, nlohmann::json::array());
    for (const auto& server : s) EXPECT_EQ(Bed().OpenFiles(server), kept[server.name]) << server.name;

    const auto cut = List("sessions", {"--user", "*ANN", "--disconnect"});
    EXPECT_EQ(cut.status, 0) << ::testing::PrintToString(cut.errors);
    ASSERT_TRUE(cut.rows.is_array());
    ASSERT_EQ(cut.rows.size(), s.size()) << cut.rows.dump();
    for (const auto& server : s) {
        const auto row = std::find_if(cut.rows.begin(), cut.rows.end(),
                                      [&](const auto& r) { return r["server"] == server.name; });
        ASSERT_NE(row, cut.rows.end()) << server.name;
        EXPECT_EQ((*row)["user"], Ann());
        EXPECT_EQ((*row)["outcome"], "disconnected");
        const std::vector<std::string> ben = {Ben()};
        EXPECT_EQ(Settled([&] { return UsersOf(Bed().Sessions(server)); }, ben), ben) << server.name;
    }
    EXPECT_FALSE(mHolders[0]->CanRead(1));
    EXPECT_TRUE(mHolders[1]->CanRead(0));
}

}  // namespace
