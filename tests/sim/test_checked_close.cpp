// Closing a listed file only while its id still names it, against the
// simulated network: the check, the close, and a server that will not tell.
#include <gtest/gtest.h>

#include "SimListing.h"
#include "ScenarioTest.h"
#include "netenum/CheckedClose.h"

namespace {

using namespace simtest;

class CheckedCloseTest : public ScenarioTest {
protected:
    CheckedCloseTest() : ScenarioTest(R"({"computers": [{"name": "HOST", "local": true},
      {"name": "FS1", "files": [{"id": 7, "path": "D:\\Data\\a.txt", "user": "alice", "locks": 2},
                                {"id": 8, "path": "D:\\Data\\b.txt", "user": "bob"},
                                {"id": 9, "path": "D:\\Data\\c.txt"}]}]})") {}
};

TEST_F(CheckedCloseTest, GetInfoAnswersOneRecordOrTheReasonItCannot) {
    LPBYTE buffer = nullptr;
    ASSERT_EQ(NetFileGetInfo(u"\\\\fs1", 7, 3, &buffer), 0u);
    const auto* f = reinterpret_cast<const FILE_INFO_3*>(buffer);
    EXPECT_EQ(std::to_string(f->fi3_id) + " " + std::to_string(f->fi3_num_locks), "7 2");
    EXPECT_EQ(Str(f->fi3_pathname) + u" " + Str(f->fi3_username), u"D:\\Data\\a.txt alice");
    NetApiBufferFree(buffer);

    EXPECT_EQ(NetFileGetInfo(u"FS1", 70, 3, &buffer), NERR_FileIdNotFound);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(NetFileGetInfo(u"FS1", 7, 2, &buffer), ERROR_INVALID_LEVEL);
    EXPECT_EQ(NetFileGetInfo(u"NOSUCH", 7, 3, &buffer), ERROR_BAD_NETPATH);
    EXPECT_EQ(NetFileGetInfo(u"FS1", 7, 3, nullptr), ERROR_INVALID_PARAMETER);
}

// The id now names another file, or the same file for another user: the
// row is no longer open and nothing is closed. Only the exact listed text
// counts (letter case included).
TEST_F(CheckedCloseTest, AnIdThatNamesSomethingElseNowIsNotClosed) {
    for (const auto& [path, user] : {std::pair{u"D:\\Data\\b.txt", u"alice"},
                                     {u"D:\\Data\\a.txt", u"bob"},
                                     {u"d:\\data\\a.txt", u"alice"},
                                     {u"D:\\Data\\a.txt", u"ALICE"}}) {
        const auto r = CloseFileIfStillSame(u"FS1", 7, path, user);
        EXPECT_EQ(r.outcome, CheckedClose::NoLongerOpen);
        EXPECT_EQ(r.status, NERR_FileIdNotFound);
    }
    EXPECT_EQ(Files(u"FS1").read, 3u);

    EXPECT_EQ(CloseFileIfStillSame(u"FS1", 7, u"D:\\Data\\a.txt", u"alice").outcome, CheckedClose::Closed);
    EXPECT_EQ(CloseFileIfStillSame(u"FS1", 7, u"D:\\Data\\a.txt", u"alice").outcome, CheckedClose::NoLongerOpen);
    // A file without a user is listed with an empty one.
    EXPECT_EQ(CloseFileIfStillSame(u"FS1", 9, u"D:\\Data\\c.txt", u"").outcome, CheckedClose::Closed);
    const auto left = Files(u"FS1");
    ASSERT_EQ(left.read, 1u);
    EXPECT_EQ(left[0].fi3_id, 8u);
}

// A server that will not answer for the id is never closed unchecked; a
// refused close after a good check is a failure with the server's status.
TEST_F(CheckedCloseTest, RefusedChecksAndClosesAreFailuresThatCloseNothing) {
    using sim::Call;
    for (const auto& [call, refusal] : {std::pair{Call::NetFileGetInfo, ERROR_ACCESS_DENIED},
                                        {Call::NetFileGetInfo, ERROR_NOT_SUPPORTED},
                                        {Call::NetFileGetInfo, ERROR_BAD_NETPATH},
                                        {Call::NetFileClose, ERROR_ACCESS_DENIED}}) {
        net->ClearFaults();
        ASSERT_TRUE(net->AddFault(u"FS1", sim::Fault::Status(call, refusal)));
        const auto r = CloseFileIfStillSame(u"FS1", 7, u"D:\\Data\\a.txt", u"alice");
        EXPECT_EQ(r.outcome, CheckedClose::Failed);
        EXPECT_EQ(r.status, refusal);
    }
    EXPECT_EQ(Files(u"FS1").read, 3u);
}

}  // namespace
