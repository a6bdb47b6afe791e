// Against a real Samba server on 127.0.0.1:445 (started by the "samba"
// fixture): what the program lists, closes and ends is what the server holds.
// The whole suite runs twice: directly (VANTOR_SAMBA_DIR names the fixture),
// and through a relay that gives the server's pipes Windows' message-mode
// reads (VANTOR_SAMBA_RELAY_DIR names it instead).
#include <gtest/gtest.h>
#include <libsmbclient.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <map>
#include <thread>

#include "netenum/CheckedClose.h"
#include "netenum/MessageTarget.h"
#include "netenum/NetBuffer.h"
#include "netenum/colConnectionEnum.h"
#include "netenum/colFileEnum.h"
#include "netenum/colSessionEnum.h"
#include "netenum/colShareEnum.h"
#include "netenum/netapi.h"
#include "server/clsGeneral.h"
#include "DeadServers.h"
#include "PipeRelay.h"
#include "SambaPass.h"
#include "netenum/CallControl.h"
#include "smb/DceRpcPdu.h"
#include "smb/SmbProvider.h"
#include "support/LiveFixture.h"
#include "support/ScriptedProvider.h"
#include "text/Text.h"

namespace {

using testing_support::RecordingSink;
using testing_support::S;
using testing_support::U;

const char* const kAlice = "vantortest_alice";
const char* const kBob = "vantortest_bob";
const char* const kCarol = "vantortest_carol";

using testing_support::Samba;
std::string Env(const std::string& key) { return Samba().env.at(key); }
// A path inside a share as Samba reports it ("C:\tmp\...\shares\docs\a.doc").
std::u16string ServerPath(const std::string& sharePath) {
    std::string p = "C:" + Samba().dir + "/shares/" + sharePath;
    std::replace(p.begin(), p.end(), '/', '\\');
    return U(p);
}
// The server as the tests name it: the relay's address, or 127.0.0.1; H()
// is the name the window code passes, empty for this computer's own server.
const std::string& Host() { return Samba().host; }
std::u16string H() { return Samba().viaRelay ? U(Host()) : std::u16string(); }

using Held = std::vector<std::pair<std::u16string, std::u16string>>;
// (share path, user) pairs, sorted as TestFiles() gives them.
Held Expected(std::initializer_list<std::pair<const char*, const char*>> files) {
    Held out;
    for (const auto& [path, user] : files) out.emplace_back(ServerPath(path), U(user));
    std::sort(out.begin(), out.end());
    return out;
}

class Holder final : public testing_support::FileHolder {
public:
    Holder(const char* user, const std::vector<std::string>& paths)
        : FileHolder(VANTOR_SMB_HOLDER, "127.0.0.1", user, Env("password"), paths) {}
};

class SambaLive : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Samba().skip.empty()) GTEST_SKIP() << Samba().skip;
        smbtest::ReachSamba();
        UseCredentials("admin.auth");
        netenum::SetCurrentForm(&mSink);
        WaitUntilNoTestFilesOpen();
    }
    void TearDown() override {
        netenum::SetCurrentForm(nullptr);
        netapi::SetProvider(nullptr);
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }

    void UseCredentials(const std::string& file) {
        setenv("VANTOR_SMB_AUTHFILE", (Samba().dir + "/" + file).c_str(), 1);
        netapi::SetProvider(smb::MakeSmbProvider());
    }

    // Helpers of earlier tests log off asynchronously on the server side.
    void WaitUntilNoTestFilesOpen() {
        for (int i = 0; i < 100; ++i) {
            if (TestFiles().empty()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    Held TestFiles() {
        netenum::colFileEnum files;
        files.Init(H());
        Held out;
        for (const auto& f : files)
            if (f.UserName().rfind(u"vantortest_", 0) == 0) out.emplace_back(f.PathName(), f.UserName());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string Messages() const { return S(mSink.text); }

    RecordingSink mSink;
};

TEST_F(SambaLive, OpenFilesAreListedWholeAndClosedOnlyByTheirListedId) {
    Holder alice(kAlice, {"docs/report.doc", "docs/notes.txt", "docs/plan.doc", "docs/reports/q3.doc"});
    Holder bob(kBob, {"docs/report.doc", "data/a.dat"});
    ASSERT_TRUE(alice.Ready() && bob.Ready()) << alice.Failure() << bob.Failure();
    EXPECT_EQ(TestFiles(), Expected({{"docs/report.doc", kAlice}, {"docs/notes.txt", kAlice}, {"docs/plan.doc", kAlice},
                                     {"docs/reports/q3.doc", kAlice}, {"docs/report.doc", kBob}, {"data/a.dat", kBob}}));
    const std::u16string notes = ServerPath("docs/notes.txt"), plan = ServerPath("docs/plan.doc");
    netenum::colFileEnum files;
    files.Init(H());
    auto idOf = [&](const std::u16string& path) {
        std::vector<netapi::DWORD> ids;
        for (const auto& f : files)
            if (f.PathName() == path && f.UserName() == U(kAlice)) ids.push_back(static_cast<netapi::DWORD>(f.ID()));
        return ids;
    };
    const auto notesIds = idOf(notes), planIds = idOf(plan);
    ASSERT_EQ(notesIds.size(), 1u);
    ASSERT_EQ(planIds.size(), 1u);
    const std::u16string server = H();
    const auto* s = server.empty() ? nullptr : server.c_str();
    const netapi::DWORD id = notesIds[0];
    using netapi::CheckedClose;
    // Another user's name, or another path, under the same id: nothing is closed.
    EXPECT_EQ(netapi::CloseFileIfStillSame(s, id, notes, U(kBob)).outcome, CheckedClose::NoLongerOpen);
    EXPECT_EQ(netapi::CloseFileIfStillSame(s, id, notes + u"x", U(kAlice)).outcome, CheckedClose::NoLongerOpen);
    EXPECT_TRUE(alice.CanRead(1));
    EXPECT_EQ(netapi::CloseFileIfStillSame(s, id, notes, U(kAlice)).outcome, CheckedClose::Closed);
    EXPECT_FALSE(alice.CanRead(1));  // the server closed it under the holder
    // The id is gone now, whatever the server answers for an unknown one.
    const auto again = netapi::CloseFileIfStillSame(s, id, notes, U(kAlice));
    EXPECT_EQ(again.outcome, CheckedClose::NoLongerOpen) << again.status;
    files.CloseFile(planIds[0], H(), plan);
    EXPECT_FALSE(alice.CanRead(2));
    EXPECT_TRUE(alice.CanRead(0) && alice.CanRead(3) && bob.CanRead(0));
    EXPECT_EQ(TestFiles(), Expected({{"docs/report.doc", kAlice}, {"docs/reports/q3.doc", kAlice},
                                     {"docs/report.doc", kBob}, {"data/a.dat", kBob}}));

    // A list longer than one fragment: on a message-mode pipe every fragment
    // is a message of its own, read whole and in order.
    std::vector<std::string> paths;
    for (int i = 0; i < 150; ++i) {
        paths.push_back("data/many-" + std::to_string(i) + "-with-a-longer-name.txt");
        std::ofstream(Samba().dir + "/shares/" + paths.back()) << i;
        chmod((Samba().dir + "/shares/" + paths.back()).c_str(), 0666);
    }
    Holder many(kAlice, paths);
    ASSERT_TRUE(many.Ready()) << many.Failure();
    EXPECT_EQ(TestFiles().size(), paths.size() + 4);
    EXPECT_EQ(Messages(), "");
}

TEST_F(SambaLive, SessionsConnectionsAndTheSummaryCountWhatIsHeld) {
    Holder alice(kAlice, {"docs/report.doc", "docs/notes.txt"});
    Holder bob(kBob, {"docs/plan.doc", "data/a.dat"});
    ASSERT_TRUE(alice.Ready() && bob.Ready()) << alice.Failure() << bob.Failure();
    // Samba fills connection names with placeholders; the connections and
    // their open counts are real.
    netenum::colConnectionEnum docs;
    docs.Init(u"docs", H());
    std::multiset<int> opens;
    for (const auto& c : docs) {
        opens.insert(c.NumOpens());
        EXPECT_FALSE(c.UserName().empty());
    }
    EXPECT_EQ(opens, (std::multiset<int>{1, 2}));
    netenum::colConnectionEnum none;
    none.Init(u"nosuchshare", H());
    EXPECT_EQ(none.Count(), 0u);
    mSink.text.clear();

    netenum::colFileEnum files;
    files.Init(H());
    netenum::colSessionEnum sessions;
    sessions.Init(H());
    server::clsGeneral general;
    general.Init(H());
    EXPECT_EQ(static_cast<std::size_t>(general.NumOpenFiles()), files.Count());
    EXPECT_GE(general.NumOpenFiles(), 4);
    EXPECT_EQ(static_cast<std::size_t>(general.NumSessions()), sessions.Count());
    EXPECT_EQ(general.NumFileLocks(), 0);
    EXPECT_EQ(general.ComputerDesc(), u"Vantor test server");
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const std::string name(host);
    EXPECT_EQ(general.LocalComputerName(), text::ToUpper(U(name.substr(0, name.find('.')))));

    auto users = [] {
        netenum::colSessionEnum sessions;
        sessions.Init(H());
        std::multiset<std::string> out;
        for (const auto& s : sessions) {
            EXPECT_EQ(s.ComputerName(), u"127.0.0.1");
            out.insert(S(s.UserName()));
        }
        return out;
    };
    EXPECT_GE(users().count(kBob), 1u);
    sessions.DeleteItem(u"127.0.0.1", U(kBob));
    EXPECT_FALSE(bob.CanRead(0));
    EXPECT_TRUE(alice.CanRead(0));
    // smbd drops the ended session's record just after the connection: give
    // it a few seconds before judging the list.
    auto after = users();
    for (int i = 0; i < 100 && after.count(kBob) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        after = users();
    }
    EXPECT_EQ(after.count(kBob), 0u);
    EXPECT_EQ(after.count(kAlice), 1u);
    EXPECT_EQ(Messages(), "");
}

// What the server says of itself, and its refusals: none of it needs a holder.
TEST_F(SambaLive, SharesClockAccountFlagsAndRefusalsAreTheServers) {
    netenum::colShareEnum shares;
    shares.Init(H());
    std::map<std::string, const netenum::clsShareEnum*> byName;
    for (const auto& s : shares) byName[S(s.ShareName())] = &s;
    ASSERT_EQ(byName.count("docs") + byName.count("data") + byName.count("IPC$"), 3u);
    EXPECT_EQ(byName["docs"]->Path(), ServerPath("docs"));
    EXPECT_EQ(byName["docs"]->Remarks(), u"Team documents");
    EXPECT_EQ(byName["docs"]->ShareType(), 0);
    EXPECT_EQ(byName["docs"]->NumMaxConnections(), -1);
    EXPECT_EQ(static_cast<std::uint32_t>(byName["IPC$"]->ShareType()), netapi::STYPE_IPC | netapi::STYPE_SPECIAL);
    EXPECT_EQ(Messages(), "");

    netenum::NetBuffer buffer;
    ASSERT_EQ(netapi::NetRemoteTOD((u"\\\\" + U(Host())).c_str(), buffer.Out()), 0u);
    const auto* tod = buffer.As<netapi::TIME_OF_DAY_INFO>();
    EXPECT_LE(std::llabs(static_cast<long long>(tod->tod_elapsedt) - std::time(nullptr)), 5);
    std::tm utc{};
    const std::time_t elapsed = tod->tod_elapsedt;
    gmtime_r(&elapsed, &utc);
    EXPECT_EQ(tod->tod_year, static_cast<netapi::DWORD>(utc.tm_year + 1900));
    EXPECT_EQ(tod->tod_month, static_cast<netapi::DWORD>(utc.tm_mon + 1));
    EXPECT_EQ(tod->tod_day, static_cast<netapi::DWORD>(utc.tm_mday));
    EXPECT_EQ(tod->tod_hours, static_cast<netapi::DWORD>(utc.tm_hour));

    // Account disable and enable change only that flag: the account's record
    // is read the way the sessions window does, and written back whole.
    auto flags = [&] {
        EXPECT_EQ(netapi::NetUserGetInfo(H().c_str(), U(kCarol).c_str(), 3, buffer.Out()), 0u);
        return buffer ? buffer.As<netapi::USER_INFO_3>()->usri3_flags : 0;
    };
    auto write = [&](netapi::DWORD newFlags) {
        flags();
        reinterpret_cast<netapi::USER_INFO_3*>(buffer.Get())->usri3_flags = newFlags;
        return netapi::NetUserSetInfo(H().c_str(), U(kCarol).c_str(), 3, buffer.Get(), nullptr);
    };
    const netapi::DWORD before = flags();
    // A normal account whose password never expires, enabled.
    ASSERT_EQ(before, netapi::UF_SCRIPT | netapi::UF_NORMAL_ACCOUNT | netapi::UF_DONT_EXPIRE_PASSWD);
    ASSERT_EQ(write(before | netapi::UF_ACCOUNTDISABLE), 0u);
    EXPECT_EQ(flags(), before | netapi::UF_ACCOUNTDISABLE);
    EXPECT_FALSE(Holder(kCarol, {"docs/report.doc"}).Ready());  // a disabled account cannot log on
    // A record asking for other changes too still changes only the disabled bit.
    ASSERT_EQ(write(before | netapi::UF_LOCKOUT | netapi::UF_PASSWD_NOTREQD), 0u);
    EXPECT_EQ(flags(), before);
    Holder carol(kCarol, {"docs/report.doc"});
    EXPECT_TRUE(carol.Ready()) << carol.Failure();
    EXPECT_EQ(netapi::NetUserGetInfo(H().c_str(), u"vantortest_nobody", 3, buffer.Out()), netapi::NERR_UserNotFound);

    // An unreachable computer, a wrong password and an open auth file give their lines.
    mSink.text.clear();
    netenum::colFileEnum files;
    files.Init(u"127.0.0.2");
    EXPECT_EQ(files.Count(), 0u);
    EXPECT_EQ(Messages().rfind("NetFileEnum error 53 : The network path was not found.\r\n", 0), 0u) << Messages();
    mSink.text.clear();
    UseCredentials("wrong.auth");
    files.Init(H());
    EXPECT_EQ(Messages().rfind("NetFileEnum error 1326 : The user name or password is incorrect.\r\n", 0), 0u)
        << Messages();

    // An auth file others can read is refused, without showing the password.
    const std::string path = Samba().dir + "/open.auth";
    std::ofstream(path) << "username = root\npassword = " << Env("admin_password") << "\n";
    chmod(path.c_str(), 0644);
    mSink.text.clear();
    UseCredentials("open.auth");
    files.Init(H());
    EXPECT_EQ(files.Count(), 0u);
    // Said once the program is up, not as a failure of the list.
    const std::string notice = text::ToUtf8(netapi::ProviderStartupNotice());
    EXPECT_NE(notice.find("chmod 600"), std::string::npos) << notice;
    EXPECT_EQ(notice.find(Env("admin_password")), std::string::npos);
    EXPECT_EQ(Messages().find("chmod 600"), std::string::npos) << Messages();
    EXPECT_EQ(Messages().find(Env("admin_password")), std::string::npos);
    unlink(path.c_str());
}

// What the SMB client library's file reads did with a pipe: write a bind,
// read the reply's 16-byte header. Bytes read, or minus errno.
int HeaderFirstRead(const std::string& host) {
    SMBCCTX* context = smbc_new_context();
    smbc_setFunctionAuthDataWithContext(context, [](SMBCCTX*, const char*, const char*, char*, int, char* user,
                                                    int userl, char* password, int passwordl) {
        std::snprintf(user, static_cast<std::size_t>(userl), "%s", Env("admin").c_str());
        std::snprintf(password, static_cast<std::size_t>(passwordl), "%s", Env("admin_password").c_str());
    });
    smbc_setTimeout(context, 5000);
    int result = -EIO;
    SMBCFILE* pipe = smbc_init_context(context) == nullptr
        ? nullptr : smbc_getFunctionOpen(context)(context, ("smb://" + host + "/IPC$/srvsvc").c_str(), O_RDWR, 0);
    if (pipe != nullptr) {
        const auto bind = smb::dcerpc::EncodeBind(
            1, smb::dcerpc::MakeSyntax("4b324fc8-1670-01d3-1278-5a47bf6ee188", 3, 0), 4280, 4280);
        std::uint8_t header[16];
        ssize_t n = smbc_getFunctionWrite(context)(context, pipe, bind.data(), bind.size());
        if (n == static_cast<ssize_t>(bind.size())) n = smbc_getFunctionRead(context)(context, pipe, header, sizeof header);
        result = n < 0 ? -errno : static_cast<int>(n);
        smbc_getFunctionClose(context)(context, pipe);
    }
    smbc_free_context(context, 1);
    return result;
}

// Dead computers, with short limits so that each wait is brief: the outcome
// and the codes are what is checked, never the time taken.
class DeadComputer : public SambaLive {
protected:
    void SetUp() override {
        SambaLive::SetUp();
        if (IsSkipped()) return;
        netapi::SetCallLimits({std::chrono::milliseconds(2500), std::chrono::seconds(30),
                               std::chrono::seconds(300)});
        // Named by the administrator, as a server typed in: its relay gets their logon.
        smb::AddTypedServer(u"127.0.0.2");
    }
    void TearDown() override {
        netapi::SetCallLimits({});
        SambaLive::TearDown();
    }
};

TEST_F(DeadComputer, BlackHolesCostOneDeadlineThenNothingUntilAskedAgain) {
    smbtest::DeadServer hole(smbtest::DeadServer::Kind::BlackHole, 20);
    ASSERT_EQ(hole.Error(), "");
    server::clsGeneral general;
    general.Init(u"\\\\127.0.0.2");
    // The summary's three calls: the first waits and fails, the others fail at once.
    EXPECT_EQ(hole.Accepted(), 1);
    const std::string m = Messages();
    EXPECT_NE(m.find("error 53 : The network path was not found."), std::string::npos) << m;

    netenum::colFileEnum files;
    files.Init(u"\\\\127.0.0.2");
    EXPECT_EQ(hole.Accepted(), 1) << "remembered as dead: the network is not touched";
    netapi::RetryComputer(u"\\\\127.0.0.2");
    files.Init(u"\\\\127.0.0.2");
    EXPECT_EQ(hole.Accepted(), 2) << "a person asking again tries at once";
    // The local server is not affected by the dead one.
    EXPECT_EQ(TestFiles().size(), 0u);

    // The computer list costs one deadline for many: twenty computers that
    // accept and never answer, and the live server.
    netapi::RetryAllComputers();
    std::u16string known = u"localhost";
    for (int i = 0; i < 20; ++i) known += u"," + U(smbtest::DeadServer::Address(i));
    smb::SetKnownServers({known});
    auto listed = [] {
        netenum::NetBuffer buffer;
        netapi::DWORD read = 0, total = 0;
        EXPECT_EQ(netapi::NetServerEnum(nullptr, 101, buffer.Out(), netapi::MAX_PREFERRED_LENGTH, &read, &total,
                                        netapi::SV_TYPE_ALL, nullptr, nullptr),
                  netapi::NERR_Success);
        return read;
    };
    // The local server answers; the dead ones were added, so they stay listed.
    const int before = hole.Accepted();
    EXPECT_EQ(listed(), 21u);
    const int touched = hole.Accepted();
    EXPECT_EQ(touched - before, 20) << "each asked once";
    listed();
    EXPECT_EQ(hole.Accepted(), touched) << "listed again within the back-off: not asked";
    smb::SetKnownServers({});
}

TEST_F(DeadComputer, ADrippedReplyEndsAtTheDeadlineAndACloseIsNotSentAgain) {
    Holder alice(kAlice, {"docs/report.doc"});
    ASSERT_TRUE(alice.Ready()) << alice.Failure();
    smbtest::DeadServer drip(smbtest::DeadServer::Kind::Drip, 1, Host());
    ASSERT_EQ(drip.Error(), "");
    netenum::colFileEnum files;
    auto list = [&] {
        netenum::NetBuffer buffer;
        netapi::DWORD read = 0, total = 0, resume = 0;
        return netapi::NetFileEnum(u"127.0.0.2", u"", u"", 3, buffer.Out(), netapi::MAX_PREFERRED_LENGTH, &read,
                                   &total, &resume);
    };
    auto atFullSpeed = [&] {
        drip.SetDripping(false);
        netapi::RetryAllComputers();
        return list();
    };
    // A valid answer, one byte a second, to the very first request.
    EXPECT_EQ(list(), netapi::ERROR_BAD_NETPATH);
    // At full speed it is a working server (the live one behind it).
    ASSERT_EQ(atFullSpeed(), netapi::NERR_Success);
    int connections = drip.Accepted();

    // Slow again in the middle of a kept connection: 121, and the connection
    // is dropped, so the next call starts a new one. It is cut, not talked
    // down: saying goodbye to a server that stalls would cost a wait for each
    // goodbye, with the whole SMB library held meanwhile.
    drip.SetDripping(true);
    EXPECT_EQ(list(), netapi::ERROR_SEM_TIMEOUT);
    EXPECT_EQ(drip.Accepted(), connections);
    EXPECT_EQ(drip.GoodbyesWhileDripping(), 0) << "the stalled connection is cut, not closed politely";
    EXPECT_EQ(atFullSpeed(), netapi::NERR_Success);
    EXPECT_EQ(drip.Accepted(), ++connections) << "the half-read connection is not reused";

    files.Init(u"127.0.0.2");
    ASSERT_EQ(files.Count(), 1u) << Messages();
    drip.SetDripping(true);
    files.CloseFile(files.Item(1).ID(), u"127.0.0.2", files.Item(1).PathName());
    EXPECT_NE(Messages().find("The semaphore timeout period has expired."), std::string::npos) << Messages();
    EXPECT_EQ(drip.Accepted(), connections) << "no second connection to send the close again";
    EXPECT_FALSE(alice.CanRead(0));  // the server did close it
}

// Windows' pipes are message-mode, Samba's byte streams. The relay gives
// Samba's pipes Windows' rule; reading a reply header first, as Vantor did
// through the SMB file interface, then fails, while the server itself serves
// it. (Vantor now uses Samba's RPC client, which every live test exercises
// through the relay in the suite's second pass.) Then a relay that answers
// each pipe read with one byte, slowly: the call ends at its deadline and
// leaves the SMB library free for the next computer.
TEST_F(DeadComputer, AHeaderFirstReadFailsOnAMessageModePipeAndATrickledReplyEndsAtTheDeadline) {
    setenv("HOME", Env("relay_home").c_str(), 1);  // no signing: the relay rewrites
    {
        smbtest::PipeRelay relay("127.0.0.31", "127.0.0.1", smbtest::PipeRelay::Mode::Message);
        ASSERT_EQ(relay.Error(), "");
        EXPECT_EQ(HeaderFirstRead("127.0.0.1"), 16);
        EXPECT_LT(HeaderFirstRead("127.0.0.31"), 0);
        EXPECT_GE(relay.Overflows(), 1) << "the 16-byte read met the rest of the message";
        EXPECT_EQ(relay.Signed(), 0);
    }
    smbtest::PipeRelay trickle("127.0.0.31", "127.0.0.1", smbtest::PipeRelay::Mode::Trickle,
                               std::chrono::milliseconds(200));
    ASSERT_EQ(trickle.Error(), "");
    trickle.SetTrickling(false);
    auto shares = [](const char16_t* server) {
        netenum::NetBuffer buffer;
        netapi::DWORD read = 0, total = 0;
        return netapi::NetShareEnum(server, 2, buffer.Out(), netapi::MAX_PREFERRED_LENGTH, &read, &total, nullptr);
    };
    ASSERT_EQ(shares(u"127.0.0.31"), netapi::NERR_Success);

    trickle.SetTrickling(true);
    const int before = trickle.PipeReads();
    EXPECT_EQ(shares(u"127.0.0.31"), netapi::ERROR_SEM_TIMEOUT);
    EXPECT_GT(trickle.PipeReads() - before, 2) << "the reply was trickling when the call ended";
    // The next computer is asked at once.
    EXPECT_EQ(shares(H().c_str()), netapi::NERR_Success);
}

}  // namespace
