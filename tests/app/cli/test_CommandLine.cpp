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
using testing_support::ScriptedNetwork;

namespace {

class CommandLineMode : public ::testing::Test {
protected:
    void SetUp() override {
        net.provider().files.records = {{1, 1, 0, u"D:\\Data\\Budget.DOC", u"anna"},
                                        {2, 1, 0, u"D:\\Data\\notes.txt", u"bob"},
                                        {3, 3, 1, u"D:\\Data\\Old.doc", u"carl"},
                                        {4, 1, 0, u" D:\\odd.doc", u"dora"}};
        net.provider().localName = u"HOST";
    }
    void TearDown() override { EXPECT_EQ(LiveBufferCount(), 0u); }

    int Run(const std::string& argument) {
        const char* argv[] = {"vantor", argument.c_str()};
        return app::RunCommandLine(app::NormalizedCommandLine(2, argv), err);
    }
    std::vector<DWORD> ClosedIds() {
        std::vector<DWORD> ids;
        for (const auto& c : net.provider().CallsNamed("NetFileClose")) ids.push_back(c.number);
        return ids;
    }

    ScriptedNetwork net;
    std::ostringstream err;
};

TEST_F(CommandLineMode, ClosesEveryMatchingFileWhateverTheCase) {
    EXPECT_EQ(Run("FILESRV,D:\\DATA\\*.Doc,c"), app::kExitOk);
    EXPECT_EQ(ClosedIds(), (std::vector<DWORD>{1, 3}));
    EXPECT_EQ(err.str(), "");
    const auto enumCall = net.provider().CallsNamed("NetFileEnum").at(0);
    EXPECT_EQ(enumCall.args[0], std::u16string(u"filesrv"));
    EXPECT_EQ(net.provider().CallsNamed("NetFileClose").at(0).args[0], std::u16string(u"filesrv"));
}

TEST_F(CommandLineMode, MalformedLinesTouchNothingAndSayHowToUseIt) {
    for (const std::string line : {"filesrv,*.doc", "filesrv,*.doc,x", ",*.doc,c", "filesrv,,c",
                                   "filesrv,*.doc,cc", "filesrv,*.doc, c", "filesrv"}) {
        err.str("");
        EXPECT_EQ(Run(line), app::kExitMalformed) << line;
        EXPECT_NE(err.str().find("usage: vantor SERVER,PATTERN,c"), std::string::npos) << line;
    }
    EXPECT_TRUE(net.provider().calls.empty());
}

TEST_F(CommandLineMode, FieldsAreNotTrimmedAndExtraFieldsIgnored) {
    EXPECT_EQ(Run("filesrv, *.doc,c,whatever"), app::kExitOk);
    EXPECT_EQ(ClosedIds(), (std::vector<DWORD>{4}));  // only the path that begins with a blank
}

TEST_F(CommandLineMode, PatternWithoutWildcardsMatchesWholePathOnly) {
    EXPECT_EQ(Run("filesrv,d:\\data\\old.doc,c"), app::kExitOk);
    EXPECT_EQ(ClosedIds(), (std::vector<DWORD>{3}));
    net.provider().calls.clear();
    EXPECT_EQ(Run("filesrv,d:\\data\\old,c"), app::kExitOk);
    EXPECT_TRUE(ClosedIds().empty());
}

TEST_F(CommandLineMode, UnclosedBracketMatchesNothing) {
    EXPECT_EQ(Run("filesrv,[abc,c"), app::kExitOk);
    EXPECT_TRUE(ClosedIds().empty());
    EXPECT_EQ(err.str(), "");
}

TEST_F(CommandLineMode, EnumerationFailureIsReportedAndExitsOne) {
    net.provider().fail["NetFileEnum"] = ERROR_BAD_NETPATH;
    EXPECT_EQ(Run("gone,*,c"), app::kExitFailed);
    EXPECT_EQ(err.str(), "NetFileEnum error 53 : The network path was not found.\n");
    EXPECT_TRUE(ClosedIds().empty());
}

TEST_F(CommandLineMode, AccessDeniedKeepsItsAdviceOnTheSameLine) {
    net.provider().fail["NetFileEnum"] = ERROR_ACCESS_DENIED;
    EXPECT_EQ(Run("filesrv,*,c"), app::kExitFailed);
    EXPECT_EQ(err.str(),
              "NetFileEnum error 5 : Access is denied. You must be an administrator, server, "
              "print, or comm operator.\n");
}

TEST_F(CommandLineMode, EachFailedCloseIsOneLineAndTheRunGoesOn) {
    net.provider().closeStatus[1] = NERR_FileIdNotFound;
    EXPECT_EQ(Run("filesrv,*.doc,c"), app::kExitFailed);
    EXPECT_EQ(ClosedIds(), (std::vector<DWORD>{1, 3, 4}));
    EXPECT_EQ(err.str(),
              "Error closing file D:\\Data\\Budget.DOC : There is not an open file with that "
              "identification number.\n");
}

// Partial lists, server text on the terminal, and what a user can type.
TEST_F(CommandLineMode, APartialListClosesWhatCameButFailsTheRun) {
    net.provider().files.status = ERROR_MORE_DATA;
    net.provider().files.total = 0xFFFFFFF0u;  // a claim that would read negative as a signed count
    EXPECT_EQ(Run("filesrv,*.doc,c"), app::kExitFailed);
    EXPECT_EQ(ClosedIds(), (std::vector<DWORD>{1, 3, 4}));
    EXPECT_EQ(err.str(), "list incomplete: 4 of 4294967280 files\n");
}

TEST_F(CommandLineMode, ServerTextCannotForgeALineOnStandardError) {
    net.provider().files.records = {{9, 1, 0, u"D:\\x.doc\r\nError closing file D:\\y.doc : ok\u202E", u"eve"}};
    net.provider().closeStatus[9] = NERR_FileIdNotFound;
    EXPECT_EQ(Run("filesrv,*,c"), app::kExitFailed);
    const std::string out = err.str();
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_EQ(out.find('\r'), std::string::npos);
    EXPECT_NE(out.find("D:\\x.doc\\r\\nError closing file D:\\y.doc : ok\\u202e : "), std::string::npos) << out;
}

TEST_F(CommandLineMode, MatchingFoldsCaseByUnicodeRules) {
    net.provider().files.records = {{5, 1, 0, u"C:\\ÉTÉ.tmp", u"zoé"}, {6, 1, 0, u"C:\\ΣΟΦΊΑ.TMP", u"x"}};
    EXPECT_EQ(Run("srv,*été.tmp,c"), app::kExitOk);
    EXPECT_EQ(Run("srv,c:\\σοφία.tmp,c"), app::kExitOk);
    EXPECT_EQ(ClosedIds(), (std::vector<DWORD>{5, 6}));
}

TEST_F(CommandLineMode, OverLongPatternsAreRefusedBeforeAnyCall) {
    EXPECT_EQ(Run("srv," + std::string(1024, '*') + ",c"), app::kExitOk);
    net.provider().calls.clear();
    EXPECT_EQ(Run("srv," + std::string(1025, '*') + ",c"), app::kExitMalformed);
    EXPECT_NE(err.str().find("pattern is longer than 1024 characters"), std::string::npos) << err.str();
    EXPECT_TRUE(net.provider().calls.empty());
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
    const char* none[] = {"vantor"};
    const char* split[] = {"vantor", "FILESRV,*.DOC,", "C"};
    EXPECT_TRUE(app::IsInteractiveCommandLine(app::NormalizedCommandLine(2, upper)));
    EXPECT_TRUE(app::IsInteractiveCommandLine(app::NormalizedCommandLine(1, none)));
    // Arguments split by the shell are joined again with one blank.
    EXPECT_EQ(app::NormalizedCommandLine(3, split), u"filesrv,*.doc, c");
    EXPECT_FALSE(app::IsInteractiveCommandLine(u"/p x"));
}

}  // namespace
