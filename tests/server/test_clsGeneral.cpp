#include <gtest/gtest.h>

#include "netenum/CallControl.h"
#include "netenum/netapi.h"
#include "server/clsGeneral.h"
#include "support/ScriptedProvider.h"

using namespace netapi;
using server::clsGeneral;
using testing_support::ScriptedNetwork;

namespace {

class Summary : public testing_support::LeakCheckedNetwork {};

TEST_P(Summary, CountsFilesLocksAndPipesInFourCalls) {
    auto& p = net.provider();
    p.sessions = {NERR_Success, {{}, {}}, 2};
    p.files.records = {{1, 1, 2, u"\\PIPE\\srvsvc", u"a"},
                       {2, 1, 3, u"\\pipe\\lsarpc", u"a"},
                       {3, 1, 0, u"\\PIPE", u"a"},            // five characters only
                       {4, 1, 1, u"D:\\PIPE\\x", u"a"},        // the word later in the path
                       {5, 1, 0, std::nullopt, u"a"}};
    p.serverInfo.comment = u"Main file server";
    p.localName = u"ADMIN-PC";
    clsGeneral general;
    general.Init(u"FILESRV");
    EXPECT_EQ(general.NumSessions(), 2);
    EXPECT_EQ(general.NumOpenFiles(), 5);
    EXPECT_EQ(general.NumFileLocks(), 6);
    EXPECT_EQ(general.NumOpenPipes(), 2);
    EXPECT_EQ(general.ComputerDesc(), u"Main file server");
    EXPECT_EQ(general.LocalComputerName(), u"ADMIN-PC");
    EXPECT_EQ(net.Messages(), "");
    ASSERT_EQ(p.calls.size(), 4u);
    EXPECT_EQ(p.calls[0].name, "NetSessionEnum");
    EXPECT_EQ(p.calls[0].args[1], std::u16string());  // empty, not null: no filter
    EXPECT_EQ(p.calls[1].name, "NetFileEnum");
    EXPECT_EQ(p.calls[2].name, "NetServerGetInfo");
    EXPECT_EQ(p.calls[2].args[0], std::u16string(u"FILESRV"));
}

TEST_P(Summary, PartialListsCountWhatCameButSessionsUseTheTotal) {
    auto& p = net.provider();
    p.sessions = {ERROR_MORE_DATA, {{}}, 40};
    p.files = {ERROR_MORE_DATA, {{1, 1, 1, u"a", u"b"}, {2, 1, 1, u"c", u"d"}}, 900};
    p.serverInfo.comment = std::nullopt;
    clsGeneral general;
    general.Init();
    EXPECT_EQ(general.NumSessions(), 40);
    EXPECT_EQ(general.NumOpenFiles(), 2);
    EXPECT_EQ(general.NumFileLocks(), 2);
    EXPECT_EQ(general.ComputerDesc(), u"");
    EXPECT_EQ(net.Messages(), "");
    EXPECT_EQ(p.calls[0].args[0], std::u16string());  // local computer: empty name

    // A server that keeps level 502 to its administrators still counts its
    // sessions at level 10.
    p.fail = {{"NetSessionEnum/502", ERROR_ACCESS_DENIED}};
    clsGeneral member;
    member.Init();
    EXPECT_EQ(member.NumSessions(), 40);
    EXPECT_EQ(net.Messages(), "");
}

TEST_P(Summary, EveryFailureIsALineAndTheFiguresStayZero) {
    auto& p = net.provider();
    p.fail = {{"NetSessionEnum", ERROR_ACCESS_DENIED},
              {"NetFileEnum", ERROR_BAD_NETPATH},
              {"NetServerGetInfo", ERROR_BAD_NETPATH},
              {"GetComputerName", ERROR_NOT_ENOUGH_MEMORY}};
    clsGeneral general;
    general.Init(u"GONE");
    EXPECT_EQ(general.NumSessions() + general.NumOpenFiles() + general.NumFileLocks(), 0);
    // The local name stays empty rather than a run of NUL characters.
    EXPECT_EQ(general.LocalComputerName(), u"");
    EXPECT_EQ(net.Messages(),
              "NetSessionEnum error 5 : Access is denied.\r\n"
              "You must be an administrator or account operator.\r\n"
              "NetFileEnum error 53 : The network path was not found.\r\n\r\n"
              "NetServerGetInfo error 53 : The network path was not found.\r\n"
              "GetComputerName error 8 : Not enough memory resources are available to process this command.\r\n");
}

TEST_P(Summary, ACountNotReadIsSaidSoATimeoutInWordsAndAGivenUpSummaryStops) {
    auto& p = net.provider();
    p.fail = {{"NetFileEnum", ERROR_SEM_TIMEOUT}};
    clsGeneral timedOut;
    timedOut.Init(u"\\\\127.0.0.3");
    EXPECT_TRUE(timedOut.SessionsRead());
    EXPECT_FALSE(timedOut.FilesRead());
    EXPECT_EQ(net.Messages(),
              "NetFileEnum error 121 : The semaphore timeout period has expired.\r\n"
              "127.0.0.3 did not answer within 10 seconds.\r\n");

    // Esc on the first call: one line, and the server is not asked again.
    net.sink().text.clear();
    p.calls.clear();
    p.fail = {{"NetSessionEnum", ERROR_CANCELLED}};
    clsGeneral cancelled;
    cancelled.Init(u"SRV");
    EXPECT_TRUE(cancelled.Cancelled());
    EXPECT_FALSE(cancelled.SessionsRead() || cancelled.FilesRead() || cancelled.ComputerDescRead());
    EXPECT_EQ(net.Messages(), "Cancelled\r\n");
    ASSERT_EQ(p.calls.size(), 2u);
    EXPECT_EQ(p.calls[1].name, "GetComputerName");  // this machine's own, no network
}

TEST_P(Summary, DescriptionIsWrittenEvenWhenUnchanged) {
    auto& p = net.provider();
    p.serverInfo.comment = u"old";
    clsGeneral general;
    general.Init(u"SRV");
    general.SetComputerDesc(u"old");  // written even when unchanged
    ASSERT_EQ(p.CallsNamed("NetServerSetInfo").size(), 1u);
    EXPECT_EQ(p.CallsNamed("NetServerSetInfo")[0].args[0], std::u16string(u"SRV"));
    general.SetComputerDesc(u"new");
    EXPECT_EQ(general.ComputerDesc(), u"new");
    EXPECT_EQ(p.serverInfo.comment, std::u16string(u"new"));
}

INSTANTIATE_TEST_SUITE_P(BufferOnFailure, Summary, ::testing::Bool());

}  // namespace
