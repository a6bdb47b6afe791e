// The close mode ("SERVER,PATTERN,c") on a scripted network: which files it
// closes, what it writes to standard error and how it exits.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <sstream>

#include "app/cli/CommandLine.h"
#include "netenum/netapi.h"
#include "support/ScriptedProvider.h"

using namespace netapi;

namespace {

class CommandLineMode : public ::testing::Test {
protected:
    void SetUp() override {
        net.provider().files.records = {{1, 1, 0, u"D:\\Data\\Budget.DOC", u"anna"},
                                        {2, 1, 0, u"D:\\Data\\notes.txt", u"bob"},
                                        {3, 3, 1, u"D:\\Data\\Old.doc", u"carl"},
                                        {4, 1, 0, u" D:\\odd.doc", u"dora"}};
    }
    void TearDown() override { EXPECT_EQ(LiveBufferCount(), 0u); }

    int Run(const std::string& argument) {
        net.provider().calls.clear();
        err.str("");
        const char* argv[] = {"vantor", argument.c_str()};
        return app::RunCommandLine(app::NormalizedCommandLine(2, argv), err);
    }
    std::vector<DWORD> ClosedIds() {
        std::vector<DWORD> ids;
        for (const auto& c : net.provider().CallsNamed("NetFileClose")) ids.push_back(c.number);
        return ids;
    }

    testing_support::ScriptedNetwork net;
    std::ostringstream err;
};

TEST_F(CommandLineMode, ClosesEveryMatchingFileAndOnlyThose) {
    struct Case {
        std::string line;
        std::vector<DWORD> closed;
    };
    const Case cases[] = {
        {"FILESRV,D:\\DATA\\*.Doc,c", {1, 3}},  // whatever the case
        {"filesrv, *.doc,c,whatever", {4}},     // fields not trimmed, extra ones ignored
        {"filesrv,d:\\data\\old.doc,c", {3}},   // no wildcard: the whole path
        {"filesrv,d:\\data\\old,c", {}},
        {"srv," + std::string(1024, '*') + ",c", {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.line), app::kExitOk) << c.line;
        EXPECT_EQ(ClosedIds(), c.closed) << c.line;
        EXPECT_EQ(err.str(), "") << c.line;
    }
    EXPECT_EQ(Run("FILESRV,*.doc,c"), app::kExitOk);
    EXPECT_EQ(net.provider().CallsNamed("NetFileEnum").at(0).args[0], std::u16string(u"filesrv"));
    EXPECT_EQ(net.provider().CallsNamed("NetFileClose").at(0).args[0], std::u16string(u"filesrv"));

    net.provider().files.records = {{5, 1, 0, u"C:\\ÉTÉ.tmp", u"zoé"}};
    EXPECT_EQ(Run("srv,*été.tmp,c"), app::kExitOk);  // case folded by Unicode's rules (more: CaseFolding)
    EXPECT_EQ(ClosedIds(), std::vector<DWORD>{5});
}

TEST_F(CommandLineMode, MalformedLinesTouchNothingAndSayHowToUseIt) {
    for (const std::string& line : std::vector<std::string>{
             "filesrv,*.doc", "filesrv,*.doc,x", ",*.doc,c", "filesrv,,c", "filesrv,*.doc,cc",
             "filesrv,*.doc, c", "filesrv", "srv," + std::string(1025, '*') + ",c"}) {
        EXPECT_EQ(Run(line), app::kExitMalformed) << line;
        const bool tooLong = line.size() > 1024;
        EXPECT_NE(err.str().find(tooLong ? "pattern is longer than 1024 characters" : "usage: vantor SERVER,PATTERN,c"),
                  std::string::npos) << err.str();
        EXPECT_TRUE(net.provider().calls.empty()) << line;
    }
}

// Each failure is one line of standard error, server text escaped; the run
// goes on and exits 1.
TEST_F(CommandLineMode, FailuresAreOneLineEachAndTheRunGoesOn) {
    auto& p = net.provider();
    p.fail["NetFileEnum"] = ERROR_BAD_NETPATH;
    EXPECT_EQ(Run("gone,*,c"), app::kExitFailed);
    EXPECT_EQ(err.str(), "NetFileEnum error 53 : The network path was not found.\n");
    p.fail["NetFileEnum"] = ERROR_ACCESS_DENIED;  // the advice on the same line
    EXPECT_EQ(Run("filesrv,*,c"), app::kExitFailed);
    EXPECT_EQ(err.str(),
              "NetFileEnum error 5 : Access is denied. You must be an administrator, server, "
              "print, or comm operator.\n");
    EXPECT_TRUE(ClosedIds().empty());
    p.fail.clear();

    p.closeStatus[1] = NERR_FileIdNotFound;
    EXPECT_EQ(Run("filesrv,*.doc,c"), app::kExitFailed);
    EXPECT_EQ(ClosedIds(), (std::vector<DWORD>{1, 3, 4}));
    EXPECT_EQ(err.str(),
              "Error closing file D:\\Data\\Budget.DOC : There is not an open file with that "
              "identification number.\n");
    p.closeStatus.clear();

    // A partial list closes what came but fails the run.
    p.files.status = ERROR_MORE_DATA;
    p.files.total = 0xFFFFFFF0u;  // a claim that would read negative as a signed count
    EXPECT_EQ(Run("filesrv,*.doc,c"), app::kExitFailed);
    EXPECT_EQ(ClosedIds(), (std::vector<DWORD>{1, 3, 4}));
    EXPECT_EQ(err.str(), "list incomplete: 4 of 4294967280 files\n");

    p.files = {0, {{9, 1, 0, u"D:\\x.doc\r\nError closing file D:\\y.doc : ok\u202E", u"eve"}}, 1};
    p.closeStatus[9] = NERR_FileIdNotFound;
    EXPECT_EQ(Run("filesrv,*,c"), app::kExitFailed);
    const std::string out = err.str();
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_EQ(out.find('\r'), std::string::npos);
    EXPECT_NE(out.find("D:\\x.doc\\r\\nError closing file D:\\y.doc : ok\\u202e : "), std::string::npos)
        << out;
}

TEST_F(CommandLineMode, AClosedStandardErrorDoesNotStopTheCloses) {
    for (DWORD id : {1u, 3u}) net.provider().closeStatus[id] = NERR_FileIdNotFound;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The reader of standard error is gone: each failure line meets a broken pipe.
        int ends[2];
        if (pipe(ends) != 0) _exit(90);
        close(ends[0]);
        dup2(ends[1], 2);
        const int code = app::RunCommandLine(u"filesrv,*.doc,c", std::cerr);
        _exit(code == app::kExitFailed && ClosedIds() == std::vector<DWORD>{1, 3, 4} ? 0 : 91);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(CommandLineStart, SlashPAndEmptyStartTheWindow) {
    const char* upper[] = {"vantor", "  /P  "};
    const char* split[] = {"vantor", "FILESRV,*.DOC,", "C"};
    EXPECT_TRUE(app::IsInteractiveCommandLine(app::NormalizedCommandLine(2, upper)));
    EXPECT_TRUE(app::IsInteractiveCommandLine(app::NormalizedCommandLine(1, upper)));
    // Arguments split by the shell are joined again with one blank.
    EXPECT_EQ(app::NormalizedCommandLine(3, split), u"filesrv,*.doc, c");
    EXPECT_FALSE(app::IsInteractiveCommandLine(u"/p x"));
}

}  // namespace
