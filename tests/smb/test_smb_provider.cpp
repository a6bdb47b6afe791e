// The SMB provider's own logic against scripted servers: the limits of a
// list in parts, the session level fallback, ids through the collections, the server
// list, and the names that mean the local computer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>

#include "SmbTestServer.h"
#include "netenum/colFileEnum.h"
#include "netenum/CallControl.h"
#include "netenum/netapi.h"
#include "smb/SmbProvider.h"
#include "smb/Srvsvc.h"
#include "smb/SrvsvcClient.h"
#include "text/Text.h"

namespace {

using namespace netapi;
using smbtest::Request;
using smbtest::Stub;

FileInfo3 File(DWORD id, std::u16string path) {
    return {.id = id, .pathname = std::move(path), .username = u"alice"};
}

std::u16string ThisHost() {
    std::u16string name;
    smb::SmbProvider probe(smbtest::Serving([](const Request&) { return Stub{}; }));
    probe.LocalComputerName(name);
    return name;
}

// What a server can make us fetch: every resume handle is remembered, parts
// and bytes are bounded, and a list cut short says so with 234.
TEST(SmbProviderLimits, RepeatedHandlesFailuresAndEndlessListsEndTheList) {
    int calls = 0;
    std::function<Stub()> part;
    auto servers = smbtest::Serving([&](const Request&) {
        ++calls;
        return part();
    });
    servers->maxStub = 65000;
    smb::SmbProvider provider(servers);
    const std::tuple<const char*, std::function<Stub()>, DWORD, std::size_t, int, DWORD> cases[] = {
        {"always more under the same resume handle: its repeat stops it",
         [&] { return smbtest::FileEnumReply({File(calls, u"x")}, 100, 7, ERROR_MORE_DATA); },
         ERROR_MORE_DATA, 2, 2, 100},
        {"handles 1, 2, 1, 2, ...: no two neighbours repeat, yet it never ends",
         [&] { return smbtest::FileEnumReply({File(calls, u"x")}, 4, 2 - calls % 2, ERROR_MORE_DATA); },
         ERROR_MORE_DATA, 3, 3, 4},
        {"a part that fails fails the list",
         [&] {
             return calls == 2 ? smbtest::FileEnumReply({}, 0, 0, ERROR_ACCESS_DENIED)
                               : smbtest::FileEnumReply({File(calls, u"x")}, 100, 7, ERROR_MORE_DATA);
         },
         ERROR_ACCESS_DENIED, 0, 2, 0},
        {"always a new handle: the parts are counted; a total below what came is raised",
         [&] { return smbtest::FileEnumReply({File(calls, u"x")}, 0, calls, ERROR_MORE_DATA); },
         ERROR_MORE_DATA, smb::SrvsvcClient::kMaxParts, smb::SrvsvcClient::kMaxParts,
         smb::SrvsvcClient::kMaxParts},
        {"one reply past 32 MiB is refused whole, however its fragments add up",
         [] { return smbtest::FileEnumReply({File(1, std::u16string(17u << 20, u'x'))}, 1, 0, NERR_Success); },
         1728 /* RPC_X_BAD_STUB_DATA */, 0, 1, 0}};
    for (const auto& [name, answer, status, records, parts, total] : cases) {
        SCOPED_TRACE(name);
        calls = 0;
        part = answer;
        const auto result = provider.FileEnum(u"srv", std::nullopt, std::nullopt);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.records.size(), records);
        EXPECT_EQ(calls, parts);
        EXPECT_EQ(result.total, total);
    }
}

TEST(SmbProvider, SessionsFallBackToLevelOneOnceRefused) {
    std::vector<DWORD> levels;
    auto servers = smbtest::Serving([&](const Request& r) {
        smb::NdrReader in(r.stub);
        for (int i = 0; i < 3; ++i) smbtest::ReadUniqueString(in);
        const DWORD level = smbtest::ReadU32(in);
        levels.push_back(level);
        if (level == 502) return smbtest::SessionEnumReply(502, {}, 0, 0, ERROR_INVALID_LEVEL);
        const SessionInfo502 a{u"10.0.0.1", u"alice", 3, 0, 0, 0, {}, {}};
        const SessionInfo502 b{u"10.0.0.2", u"bob", 0, 0, 0, 0, {}, {}};
        return smbtest::SessionEnumReply(1, {a, b}, 2, 0, NERR_Success);
    });
    smb::SmbProvider provider(servers);
    auto result = provider.SessionEnum(u"srv", u"", u"", 502);
    EXPECT_EQ(result.status, NERR_Success);
    ASSERT_EQ(result.records.size(), 2u);
    EXPECT_EQ(result.records[0].num_opens, 3u);
    EXPECT_EQ(levels, (std::vector<DWORD>{502, 1}));

    // Learned: the next list asks level 1 straight away; filters the server
    // ignored are applied here.
    result = provider.SessionEnum(u"srv", u"\\\\10.0.0.2", u"", 502);
    EXPECT_EQ(levels, (std::vector<DWORD>{502, 1, 1}));
    ASSERT_EQ(result.records.size(), 1u);
    EXPECT_EQ(result.records[0].username, u"bob");
    EXPECT_EQ(result.total, 1u);
}

TEST(SmbProvider, HighFileIdsSurviveTheCollectionAndCloseTheRightFile) {
    std::vector<DWORD> closed;
    auto servers = smbtest::Serving([&](const Request& r) {
        if (r.opnum == smb::srvsvc::kOpFileClose) {
            closed.push_back(0);
            std::memcpy(&closed.back(), r.stub.data() + r.stub.size() - 4, 4);  // the id, last word
            return smbtest::StatusReply(NERR_Success);
        }
        return smbtest::FileEnumReply(
            {File(0x9E370001u, u"C:\\d\\a.doc"), File(0x9E370002u, u"C:\\d\\b.doc")}, 2, 0, NERR_Success);
    });
    SetProvider(std::make_shared<smb::SmbProvider>(servers));
    {
        netenum::colFileEnum files;
        files.Init(u"srv");
        ASSERT_EQ(files.Count(), 2u);
        const auto& second = files.Item(2);
        files.CloseFile(second.ID(), u" srv ", second.PathName());
    }
    SetProvider(nullptr);
    EXPECT_EQ(closed, (std::vector<DWORD>{0x9E370002u}));
    EXPECT_EQ(LiveBufferCount(), 0u);
}

// Directory computers, named by their DNS names, join the list once each
// (FILES1 and DC1 were named already, short or full) and only when they
// answer (the printer server does not).
TEST(SmbProvider, ServerListComesFromKnownAndDirectoryComputersFilteredByType) {
    const std::map<std::string, DWORD> types = {
        {"127.0.0.1", SV_TYPE_SERVER | SV_TYPE_WORKSTATION | SV_TYPE_NT},
        {"gamma", SV_TYPE_WORKSTATION},
        {"delta", SV_TYPE_DOMAIN_CTRL}};
    auto servers = std::make_shared<smbtest::ScriptedServers>(
        [&](const std::string& host, const std::string&, const Request&) {
            return smbtest::ServerOfType(types.contains(host) ? types.at(host) : SV_TYPE_SERVER);
        });
    servers->unreachable["beta"] = ERROR_BAD_NETPATH;
    servers->unreachable["printsrv.office.test"] = ERROR_BAD_NETPATH;
    smb::SmbProvider provider(servers);
    smb::SetKnownServers({u"FILES1, beta", u"\\\\gamma", u"localhost", u"dc1.office.test"});
    setenv("VANTOR_SMB_SERVERS", "delta,", 1);
    smb::SetDirectorySource([] {
        return std::vector<std::u16string>{u"files1.office.test", u"DC1.office.test", u"app1.office.test",
                                           u"printsrv.office.test", u""};
    });
    const std::u16string local = ThisHost();

    auto names = [&](DWORD mask) { return smbtest::ListedNames(provider, mask); };
    // An added computer that did not tell its type (beta) is listed under
    // every type (what the pane says is SmbLogon's).
    EXPECT_EQ(names(SV_TYPE_SERVER),
              (std::vector<std::u16string>{local, u"FILES1", u"beta", u"dc1.office.test", u"app1.office.test"}));
    EXPECT_EQ(names(SV_TYPE_ALL), (std::vector<std::u16string>{local, u"FILES1", u"beta", u"gamma",
                                                               u"dc1.office.test", u"delta", u"app1.office.test"}));
    EXPECT_EQ(names(SV_TYPE_NOVELL), std::vector<std::u16string>{u"beta"});
    const auto all = provider.ServerEnum(SV_TYPE_ALL, std::nullopt);
    EXPECT_EQ(all.status, NERR_Success);
    EXPECT_EQ(all.total, 7u);
    EXPECT_EQ(all.records[2].type, 0u);

    unsetenv("VANTOR_SMB_SERVERS");
    smb::SetDirectorySource(nullptr);
    smb::SetKnownServers({});
}

// Names of this computer go to loopback; calls Vantor cannot make, or makes
// with bad arguments, never reach the network.
TEST(SmbProvider, LocalNamesAndCallsThatNeedNoNetwork) {
    auto servers = smbtest::Serving([](const Request&) { return Stub{}; });
    smb::SmbProvider provider(servers);
    const std::u16string local = ThisHost();
    ASSERT_FALSE(local.empty());
    EXPECT_EQ(local, text::ToUpper(local));
    for (const OptString& name : {OptString(), OptString(u""), OptString(u"\\\\"), OptString(u" localhost "),
                                  OptString(u"\\\\" + text::ToLower(local))})
        EXPECT_EQ(provider.HostFor(name), "127.0.0.1");
    EXPECT_EQ(provider.HostFor(u"\\\\fileserver"), "fileserver");
    EXPECT_EQ(provider.HostFor(u"127.0.0.2"), "127.0.0.2");
    EXPECT_EQ(provider.MessageBufferSend(std::nullopt, u"alice", std::nullopt, u"hi"), ERROR_NOT_SUPPORTED);
    UserInfo3 info;
    EXPECT_EQ(provider.UserGetInfo(u"", u"", info), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(servers->opened.empty());
}

TEST(SmbProvider, DeadComputerFailsAtOnceUntilAPersonAsksAgain) {
    auto servers = smbtest::Serving([](const Request&) { return smbtest::StatusReply(NERR_Success); });
    servers->unreachable["127.0.0.2"] = ERROR_BAD_NETPATH;
    smb::SmbProvider provider(servers);
    EXPECT_EQ(provider.FileEnum(u"127.0.0.2", u"", u"").status, ERROR_BAD_NETPATH);
    EXPECT_EQ(servers->attempts, 1u);

    // Remembered: the same code at once, the network untouched, whatever the
    // call; other computers are not affected.
    TimeOfDay tod;
    EXPECT_EQ(provider.RemoteTOD(u"\\127.0.0.2", tod), ERROR_BAD_NETPATH);
    EXPECT_EQ(provider.FileClose(u"127.0.0.2", 1), ERROR_BAD_NETPATH);
    EXPECT_EQ(servers->attempts, 1u);
    EXPECT_EQ(provider.FileClose(u"alpha", 1), NERR_Success);

    // It came back, but only a person asking again finds out before the back-off ends.
    servers->unreachable.clear();
    EXPECT_EQ(provider.FileClose(u"127.0.0.2", 1), ERROR_BAD_NETPATH);
    provider.RetryComputer(u"\\127.0.0.2");
    EXPECT_EQ(provider.FileClose(u"127.0.0.2", 1), NERR_Success);
    EXPECT_EQ(provider.FileClose(u"127.0.0.2", 2), NERR_Success) << "an answer ends the back-off";
}

TEST(SmbProvider, ASlowReplyEndsAtTheDeadlineAndItsPipeIsNeverReused) {
    // Many small fragments, each slow: no single read is long, the whole is.
    int closes = 0;
    auto servers = smbtest::Serving([&](const Request& r) {
        if (r.opnum == smb::srvsvc::kOpFileClose) ++closes;
        std::vector<FileInfo3> files;
        for (DWORD i = 0; i < 200; ++i) files.push_back(File(i, u"C:\\file"));
        return smbtest::FileEnumReply(files, 200, 0, NERR_Success);
    });
    servers->maxStub = 64;
    bool slow = true;
    servers->onOpen = [&](const std::string&, const std::string&, smbtest::ScriptedPipe& pipe) {
        pipe.beforeRead = [&] {
            if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        };
    };
    SetCallLimits({std::chrono::milliseconds(100), std::chrono::seconds(30), std::chrono::seconds(300)});
    smb::SmbProvider provider(servers);
    EXPECT_EQ(provider.FileEnum(u"far", u"", u"").status, ERROR_SEM_TIMEOUT);
    ASSERT_EQ(servers->opened.size(), 1u);
    EXPECT_EQ(servers->overReads, 0);  // the pipe is gone with its binding by now

    // A close to it within the back-off is not sent at all; after a retry it
    // goes on a new pipe, never on the half-read one.
    EXPECT_EQ(provider.FileClose(u"far", 1), ERROR_SEM_TIMEOUT);
    EXPECT_EQ(closes, 0);
    slow = false;
    provider.RetryAllComputers();
    EXPECT_EQ(provider.FileEnum(u"far", u"", u"").records.size(), 200u);
    EXPECT_EQ(servers->opened.size(), 2u);
    SetCallLimits({});
}

TEST(SmbProvider, ComputerListAsksEveryoneAtOnceAndSkipsTheDeadNextTime) {
    auto servers = smbtest::Serving([](const Request&) { return smbtest::ServerOfType(SV_TYPE_SERVER); });
    servers->reach = {{"dead1", ERROR_BAD_NETPATH}, {"dead2", ERROR_BAD_NETPATH}};
    smb::SmbProvider provider(servers);
    smb::SetKnownServers({u"dead1,alive,dead2"});
    auto names = [&] { return smbtest::ListedNames(provider, SV_TYPE_SERVER); };
    // Added computers that do not answer stay listed (to be chosen or
    // removed); only those that answered the check were asked over SMB.
    const std::vector<std::u16string> all = {ThisHost(), u"dead1", u"alive", u"dead2"};
    EXPECT_EQ(names(), all);
    EXPECT_EQ(servers->probed, (std::vector<std::string>{"127.0.0.1", "dead1", "alive", "dead2"}));
    EXPECT_EQ(servers->attempts, 2u);

    // The dead ones are remembered: neither checked nor asked again.
    servers->probed.clear();
    EXPECT_EQ(names(), all);
    EXPECT_EQ(servers->probed, (std::vector<std::string>{"127.0.0.1", "alive"}));
    // Choosing a computer type again means "try now".
    provider.RetryAllComputers();
    servers->probed.clear();
    names();
    EXPECT_EQ(servers->probed.size(), 4u);
    smb::SetKnownServers({});
}

}  // namespace
