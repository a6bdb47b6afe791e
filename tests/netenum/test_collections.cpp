// The four enumeration collections: what they read, the lines they write, and
// that every buffer goes back on every outcome.
#include <gtest/gtest.h>

#include "netenum/FormatSeconds.h"
#include "netenum/colConnectionEnum.h"
#include "netenum/colFileEnum.h"
#include "netenum/colSessionEnum.h"
#include "netenum/colShareEnum.h"
#include "netenum/netapi.h"
#include "support/ScriptedProvider.h"

using namespace netenum;
using namespace netapi;
using testing_support::ScriptedNetwork;

namespace {

class Collections : public testing_support::LeakCheckedNetwork {};

template <typename Collection, typename... Args>
Collection Read(const Args&... args) {
    Collection c;
    c.Init(args...);
    return c;
}

TEST_P(Collections, ListsKeepServerOrderDuplicatesAndNullNamesAndOnlyAFailureIsSaid) {
    EXPECT_EQ(Read<colFileEnum>(u"").Count() + Read<colShareEnum>(u"").Count() +
                  Read<colConnectionEnum>(u"\\\\WS1", u"").Count(),
              0u);
    net.provider().files.records = {{1, 1, 0, u"D:\\a.doc", u"anna"},
                                    {2, 3, 4, u"D:\\a.doc", u"anna"},
                                    {0xFFFF0001u, 7, 1, std::nullopt, std::nullopt}};
    const auto files = Read<colFileEnum>(u"FILESRV");
    ASSERT_EQ(files.Count(), 3u);
    EXPECT_EQ(files.Item(1).ID(), 1);
    EXPECT_EQ(files.Item(2).PathName(), files.Item(1).PathName());
    EXPECT_EQ(files.Item(2).NumberLocks(), 4);
    EXPECT_EQ(files.Item(3).UserName(), u"");
    EXPECT_EQ(files.Item(3).PathName(), u"");
    EXPECT_THROW(files.Item(0), std::out_of_range);
    EXPECT_THROW(files.Item(4), std::out_of_range);

    net.provider().fail["NetFileEnum"] = ERROR_ACCESS_DENIED;
    EXPECT_EQ(Read<colFileEnum>(u"").Count(), 0u);
    // The only lines: the empty and the full lists above said nothing.
    EXPECT_EQ(net.Messages(),
              "NetFileEnum error 5 : Access is denied.\r\n"
              "You must be an administrator, server, print, or comm operator.\r\n");
}

TEST_P(Collections, SessionsReadFieldsFormatTimesTreat234AsSuccessAndDelete) {
    net.provider().sessions = {ERROR_MORE_DATA,
                               {{u"WS1", std::nullopt, 3, 3661, 59, SESS_GUEST, u"Windows", u"\\Device\\NetBT"}},
                               7};
    const auto sessions = Read<colSessionEnum>(u"SRV");
    ASSERT_EQ(sessions.Count(), 1u);
    const auto& s = sessions.Item(1);
    EXPECT_EQ(s.ComputerName(), u"WS1");
    EXPECT_EQ(s.UserName(), u"");
    EXPECT_EQ(s.Transport(), u"\\Device\\NetBT");
    EXPECT_EQ(s.UserFlags(), 1);

    net.provider().fail = {{"NetSessionDel", NERR_ClientNameNotFound}};
    sessions.DeleteItem(u"\\\\WS1", u"anna");
    // Windows' names come with "\\\\".
    EXPECT_EQ(net.provider().CallsNamed("NetSessionDel").at(0).args,
              (std::vector<OptString>{u"SRV", u"\\\\WS1", u"anna"}));
    EXPECT_EQ(net.Messages(), "NetSessionDel error 2312 : A session does not exist with that computer name.\r\n");
    sessions.DeleteItem(u"WS2", u"anna");  // Samba's are bare
    EXPECT_EQ(net.provider().CallsNamed("NetSessionDel").at(1).args[1], std::u16string(u"\\\\WS2"));
}

// Windows refuses levels 502 and 2 to a caller who is no administrator (5),
// Samba answers 124 for 502: the lists come at levels 10 and 1, whose
// missing counts are unknown, not zero. When the lower level fails too, the
// line is the one of the level asked for first.
TEST_P(Collections, RefusedLevelsFallBackAndLeaveWhatTheyLackUnknown) {
    auto& p = net.provider();
    p.sessions.records = {{u"\\\\10.0.0.5", u"anna", 3, 3661, 59, SESS_GUEST, u"Windows", u"tcp"}};
    p.shares.records = {{u"DATA", STYPE_DISKTREE, u"Data", 0, 10, 2, u"D:\\Data", std::nullopt}};
    for (NET_API_STATUS refusal : {ERROR_ACCESS_DENIED, ERROR_INVALID_LEVEL}) {
        SCOPED_TRACE(refusal);
        p.fail = {{"NetSessionEnum/502", refusal}, {"NetShareEnum/2", refusal}};
        const auto sessions = Read<colSessionEnum>(u"SRV");
        const auto shares = Read<colShareEnum>(u"SRV");
        ASSERT_EQ(sessions.Count() + shares.Count(), 2u);
        EXPECT_EQ(sessions.Item(1).ActiveTimeFormatted(), u"01:01:01");
        EXPECT_EQ(sessions.Item(1).NumOpens(), std::nullopt);
        EXPECT_EQ(sessions.Item(1).UserFlags(), std::nullopt);
        EXPECT_EQ(sessions.Item(1).Transport(), u"");
        EXPECT_EQ(shares.Item(1).Remarks(), u"Data");
        EXPECT_EQ(shares.Item(1).NumCurrConnections(), std::nullopt);
        EXPECT_EQ(shares.Item(1).NumMaxConnections(), std::nullopt);
        EXPECT_EQ(shares.Item(1).Path(), u"");
    }
    EXPECT_EQ(p.CallsNamed("NetSessionEnum").back().number, 10u);
    EXPECT_EQ(p.CallsNamed("NetShareEnum").back().number, 1u);

    p.fail = {{"NetSessionEnum/502", ERROR_ACCESS_DENIED}, {"NetSessionEnum/10", 53},
              {"NetShareEnum/2", 53}};
    const auto sessions = Read<colSessionEnum>(u"SRV");
    const auto shares = Read<colShareEnum>(u"SRV");
    EXPECT_EQ(sessions.Count() + shares.Count(), 0u);
    EXPECT_EQ(net.Messages(),
              "NetSessionEnum error 5 : Access is denied.\r\n"
              "You must be an administrator or account operator.\r\n"
              "NetShareEnum error 53 : The network path was not found.\r\n\r\n");
    EXPECT_EQ(p.CallsNamed("NetShareEnum").back().number, 2u);  // 53 is no refusal of a level
}

TEST_P(Collections, SharesKeepAdministrativeOnesConnectionsFallBackToNetNamePartialListsOnlyOfFiles) {
    net.provider().shares.records = {{u"C$", STYPE_DISKTREE | STYPE_SPECIAL, u"Default share", 0,
                                      0xFFFFFFFFu, 0, u"C:\\", std::nullopt},
                                     {u"IPC$", STYPE_IPC | STYPE_SPECIAL, std::nullopt, 0, 0xFFFFFFFFu, 2,
                                      std::nullopt, std::nullopt}};
    const auto shares = Read<colShareEnum>(u"");
    ASSERT_EQ(shares.Count(), 2u);
    EXPECT_EQ(shares.Item(1).NumMaxConnections(), -1);
    EXPECT_EQ(shares.Item(1).ShareType(), static_cast<std::int32_t>(0x80000000u));
    EXPECT_EQ(shares.Item(2).Remarks(), u"");
    EXPECT_EQ(shares.Item(2).Path(), u"");

    net.provider().connections.records = {{4, STYPE_DISKTREE, 2, 1, 3725, std::nullopt, u"WS1"},
                                          {5, STYPE_DISKTREE, 0, 1, 0, u"", u"WS2"},
                                          {6, STYPE_DISKTREE, 0, 1, 0, u"bob", u"WS3"}};
    const auto connections = Read<colConnectionEnum>(u"DATA", u"SRV");
    EXPECT_EQ(net.provider().CallsNamed("NetConnectionEnum").at(0).args, (std::vector<OptString>{u"SRV", u"DATA"}));
    ASSERT_EQ(connections.Count(), 3u);
    EXPECT_EQ(connections.Item(1).UserName(), u"WS1");
    EXPECT_EQ(connections.Item(1).ConnectTimeFormatted(), u"01:02:05");
    EXPECT_EQ(connections.Item(2).UserName(), u"WS2");
    EXPECT_EQ(connections.Item(3).UserName(), u"bob");

    net.provider().shares.status = ERROR_MORE_DATA;
    net.provider().connections.status = ERROR_MORE_DATA;
    const auto partialShares = Read<colShareEnum>(u"");
    const auto partialConnections = Read<colConnectionEnum>(u"DATA", u"SRV");
    EXPECT_EQ(partialShares.Count() + partialConnections.Count(), 0u);
    // A partial file list, unlike these two, is kept and said nothing of.
    net.provider().files = {ERROR_MORE_DATA, {{1, 1, 0, u"a", u"b"}}, 50};
    EXPECT_EQ(Read<colFileEnum>(u"").Count(), 1u);
    EXPECT_EQ(net.Messages(), "NetShareEnum error 234 : More data is available.\r\n\r\n"
                              "NetConnectionEnum error 234 : More data is available.\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(BufferOnFailure, Collections, ::testing::Bool());

TEST(FormatSecondsTest, HoursKeepCounting) {
    EXPECT_EQ(FormatSeconds(59) + FormatSeconds(360000) + FormatSeconds(0xFFFFFFFFu),
              u"00:00:59" u"100:00:00" u"1193046:28:15");
}

}  // namespace
