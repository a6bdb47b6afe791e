// The search engine without a window: its jobs' byte form, its bounds, and
// the child processes it starts (stand-in programs that misbehave).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>

#include "netenum/netapi.h"
#include "search/FanOut.h"
#include "search/SearchJob.h"
#include "sim/ScenarioLoader.h"

namespace {

using search::ComputerAnswer;
using search::FanOut;
using search::Job;

// Every answer of a run left to its end.
std::vector<ComputerAnswer> RunAll(const search::FanOutLimits& limits,
                                   std::optional<search::ChildProgram> program, const std::vector<Job>& jobs) {
    std::mutex lock;
    std::vector<ComputerAnswer> answers;
    std::promise<void> ended;
    auto over = ended.get_future();
    FanOut run(limits, std::move(program));
    run.Start(
        jobs,
        [&](ComputerAnswer a) {
            std::lock_guard guard(lock);
            answers.push_back(std::move(a));
        },
        [&] { ended.set_value(); });
    over.wait();
    return answers;
}

sim::Scenario Computers(int count, int filesEach) {
    sim::Scenario s;
    for (int c = 0; c < count; ++c) {
        sim::Computer& computer = s.computers.emplace_back();
        computer.name = u"FS" + std::u16string(1, static_cast<char16_t>(u'A' + c));
        for (int f = 0; f < filesEach; ++f)
            computer.files.push_back({.id = static_cast<netapi::DWORD>(f + 1), .path = u"D:\\f", .user = u"ann"});
    }
    return s;
}

Job FilesOf(std::u16string computer) { return {.computer = std::move(computer)}; }

TEST(SearchJob, TravelsWholeAndDamagedInputIsRefused) {
    const Job job{.kind = search::JobKind::CloseFiles,
                  .computer = u"FS\u00C9",
                  .filters = {u"*budget*", u"ann", u"pc-?", 42},
                  .files = {{4000000000u, u"D:\\a.xlsx", u"ann"}, {2, u"", u""}},
                  .rowCap = 77};
    const std::string bytes = search::EncodeChildInput(job, logon::Account("ann", "secret", "CORP"));

    Job back;
    std::optional<logon::Account> got;
    ASSERT_TRUE(search::DecodeChildInput(bytes, back, got));
    ASSERT_TRUE(got);
    EXPECT_EQ(search::EncodeChildInput(back, got), bytes) << "every field comes back as sent";

    // Any cut, and a count that claims more than the bytes hold, are refused.
    for (std::size_t size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(search::DecodeChildInput(std::string_view(bytes).substr(0, size), back, got)) << size;
    std::string huge = search::EncodeJob(FilesOf(u"A"));
    huge.replace(huge.size() - 8, 4, "\xff\xff\xff\x7f");
    EXPECT_FALSE(search::DecodeJob(huge, back));
}

TEST(FanOut, RowsAreBoundedPerComputerAndInAll) {
    netapi::SetProvider(std::make_shared<sim::SimulatedNetwork>(Computers(3, 10)));
    search::FanOutLimits limits;
    limits.rowsInAll = 15;
    const auto answers =
        RunAll(limits, std::nullopt, {{.computer = u"FSA", .rowCap = 4}, FilesOf(u"FSB"), FilesOf(u"FSC")});
    netapi::SetProvider(nullptr);
    ASSERT_EQ(answers.size(), 3u);
    std::size_t rows = 0;
    int cut = 0;
    for (const auto& a : answers) {
        rows += a.answer.cellCount / search::kFileCells;
        EXPECT_TRUE(a.answer.ForEachCell([](std::string_view) {})) << "a cut answer stays whole";
        // The computers answer in any order: the one that reaches the total
        // first is cut there, and so is every one after it.
        if (a.index == 0) {
            EXPECT_LE(a.answer.cellCount, 4 * search::kFileCells);
            ASSERT_GE(a.answer.failures.size(), 1u);
            EXPECT_EQ(a.answer.failures[0], "list cut at 4 files; narrow the search to see the rest");
        }
        cut += a.cut ? 1 : 0;
    }
    EXPECT_EQ(rows, 15u);
    EXPECT_GE(cut, 1);
    EXPECT_EQ(netapi::LiveBufferCount(), 0u);
}

TEST(FanOut, AChildThatHangsOrBabblesCostsOnlyItsOwnAnswer) {
    search::FanOutLimits limits;
    limits.deadline = std::chrono::milliseconds(200);
    limits.grace = std::chrono::milliseconds(100);
    limits.answerBytes = 1000;
    // Stand-ins for the program's own binary.
    const std::vector<std::pair<search::ChildProgram, std::string>> cases = {
        {{"/bin/sleep", {"600"}, {}}, "the computer did not answer within 0.2 seconds"},
        {{"/bin/echo", {"not an answer"}, {}}, "the search process gave an unreadable answer"},
        {{"/bin/false", {}, {}}, "the search process ended with status 1"},
        {{"/usr/bin/yes", {}, {}}, "the answer was larger than a search takes"},
        {{"/nonexistent/vantor", {}, {}}, "cannot start the search: No such file or directory"},
    };
    for (const auto& [program, line] : cases) {
        const auto answers = RunAll(limits, program, {FilesOf(u"FSA")});
        ASSERT_EQ(answers.size(), 1u) << program.path;
        EXPECT_EQ(answers[0].answer.failures, std::vector<std::string>{line}) << program.path;
    }
}

TEST(FanOut, AChildGetsItsJobAndAnAccountOnlyWhereOneIsGiven) {
    // Each stand-in child keeps the bytes it was given in a file of its own.
    char dir[] = "/tmp/vantor-fanout-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    search::FanOutLimits limits;
    search::ChildProgram program{"/bin/sh", {"-c", std::string("cat > \"$(mktemp -p ") + dir + ")\"", "child"}, {}};
    program.accountFor = [](const std::u16string& computer) -> std::optional<logon::Account> {
        if (computer != u"NAMED") return std::nullopt;
        return logon::Account("ann", "pw", "LAB");
    };
    const auto answers = RunAll(limits, program, {FilesOf(u"NAMED"), FilesOf(u"OTHER")});
    // Children that wrote no answer: each a failure of its own computer.
    EXPECT_EQ(answers.size(), 2u);
    std::map<std::u16string, std::string> given;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        Job job;
        std::optional<logon::Account> account;
        ASSERT_TRUE(search::DecodeChildInput(std::string(std::istreambuf_iterator<char>(in), {}), job, account));
        given[job.computer] = account ? account->domain + "\\" + account->user + ":" + account->password : "none";
    }
    std::filesystem::remove_all(dir);
    EXPECT_EQ(given, (std::map<std::u16string, std::string>{{u"NAMED", "LAB\\ann:pw"}, {u"OTHER", "none"}}))
        << "a password goes only to the computer it was named for";
}

// The server ends every session of a user from one client at once: a pair
// that also has a session nobody chose is left alone, and a pair chosen
// twice is ended once.
TEST(SearchJob, DisconnectLeavesAPairThatHasASessionNotChosen) {
    const auto net = sim::LoadScenario(R"({"computers": [{"name": "FS", "sessions": [
        {"client": "WS1", "user": "ann"}, {"client": "WS1", "user": "ann"}, {"client": "WS2", "user": "bob"},
        {"client": "WS3", "user": "cy"}, {"client": "WS3", "user": "cy"}]}]})", "fs.json");
    netapi::SetProvider(net);
    const Job job{.kind = search::JobKind::Disconnect,
                  .computer = u"FS",
                  .sessions = {{u"WS1", u"ann"}, {u"\\\\WS2", u"BOB"}, {u"WS3", u"cy"}, {u"ws3", u"cy"}}};
    std::vector<std::string> cells;
    EXPECT_TRUE(search::RunJob(job).ForEachCell([&](std::string_view c) { cells.emplace_back(c); }));
    ASSERT_EQ(cells.size(), 8u);
    EXPECT_EQ(cells[0], search::kFailed);
    EXPECT_NE(cells[1].find("not chosen"), std::string::npos) << cells[1];
    for (std::size_t row = 1; row < 4; ++row) EXPECT_EQ(cells[row * 2], search::kDone) << row;

    netapi::SetProvider(nullptr);
    EXPECT_EQ(net->SessionEnum(u"FS", {}, {}, 10).records.size(), 2u) << "only ann's two sessions are left";
}

}  // namespace
