// Share management against the live Samba server: a share created with a
// grant and a deny, changed, and removed through Vantor's srvsvc and lsarpc
// calls, each step checked by Samba's own tools (smbclient, sharesec).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "SambaPass.h"
#include "netenum/AccountNames.h"
#include "netenum/ShareEdit.h"
#include "netenum/netapi.h"
#include "smb/SmbProvider.h"
#include "support/LiveFixture.h"
#include "support/ProgramRun.h"
#include "text/Text.h"

namespace {

using namespace netapi;

const testing_support::SambaRun& Bed() { return testing_support::Samba(); }
std::string Env(const std::string& key) { return Bed().env.at(key); }
std::u16string Host() { return Bed().viaRelay ? text::FromUtf8(Bed().host) : std::u16string(); }

// A command's output (with its errors unless `errors` is false) and exit status.
std::pair<std::string, int> Shell(const std::string& command, bool errors = true) {
    std::string out;
    FILE* p = popen((command + (errors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (p == nullptr) return {"", -1};
    std::array<char, 4096> chunk;
    while (const std::size_t n = fread(chunk.data(), 1, chunk.size(), p)) out.append(chunk.data(), n);
    const int status = pclose(p);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string Sharesec(const std::string& share) {
    return Shell("sharesec -s " + Env("conf") + " " + share + " --view").first;
}

// The user limit as the server's own configuration holds it.
std::string MaxConnections(const std::string& share) {
    return Shell("testparm -s " + Env("conf") + " --section-name='" + share +
                 "' --parameter-name='max connections'", false).first;
}

std::string ListedByServer(const std::string& user, const std::string& password) {
    return Shell("smbclient -s " + Env("conf") + " -L 127.0.0.1 -U '" + user + "%" + password + "'").first;
}

class SambaShares : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Bed().skip.empty()) GTEST_SKIP() << Bed().skip;
        smbtest::ReachSamba();
        setenv("VANTOR_SMB_AUTHFILE", (Bed().dir + "/admin.auth").c_str(), 1);
        SetProvider(smb::MakeSmbProvider());
        path = Bed().dir + "/shares/projects" + (Bed().viaRelay ? "-relay" : "");
        mkdir(path.c_str(), 0777);
        chmod(path.c_str(), 0777);
        name = Bed().viaRelay ? u"ProjectsR" : u"Projects";
        NetShareDel(Host().c_str(), name.c_str(), 0);  // left by an interrupted run
    }
    void TearDown() override {
        if (Bed().skip.empty()) NetShareDel(Host().c_str(), name.c_str(), 0);
        SetProvider(nullptr);
        EXPECT_EQ(LiveBufferCount(), 0u);
    }

    Sid SidOf(const std::u16string& account) {
        std::vector<AccountLookup> found;
        EXPECT_EQ(NetLookupAccountNames(Host().c_str(), {account}, found), 0u);
        return found.empty() ? Sid{} : found[0].sid;
    }

    DWORD Add(const char16_t* remark, DWORD maxUses, const SecurityDescriptor& sd) {
        auto bytes = BuildSecurityDescriptor(sd);
        const std::u16string widePath = text::FromUtf8(path);
        SHARE_INFO_502 info{};
        info.shi502_netname = name.data();
        info.shi502_path = const_cast<char16_t*>(widePath.c_str());
        info.shi502_remark = const_cast<char16_t*>(remark);
        info.shi502_max_uses = maxUses;
        info.shi502_security_descriptor = bytes.data();
        DWORD parm = 0;
        return NetShareAdd(Host().c_str(), 502, reinterpret_cast<LPBYTE>(&info), &parm);
    }

    ShareState State() {
        ShareState state;
        std::string why;
        EXPECT_EQ(ReadShareState(Host().c_str(), name.c_str(), state, &why), 0u) << why;
        return state;
    }

    std::string path;
    std::u16string name;
};

TEST_F(SambaShares, ShareCreatedChangedAndRemovedByCallsAndByTheCommandLineAgreesWithSambasTools) {
    const std::string shareName = text::ToUtf8(name);
    const std::string alice = "vantortest_alice", bob = "vantortest_bob";
    const Sid aliceSid = SidOf(text::FromUtf8(alice)), bobSid = SidOf(text::FromUtf8(bob));
    ASSERT_FALSE(aliceSid.subs.empty());
    const std::string bobText = text::ToUtf8(bobSid.ToString());
    // And back: the SIDs name the accounts; one nobody has stays a SID.
    std::vector<AccountLookup> names;
    const Sid stranger{5, {21, 1, 2, 3, 4242}};
    EXPECT_EQ(NetLookupAccountSids(Host().c_str(), {bobSid, stranger}, names), ERROR_SOME_NOT_MAPPED);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_NE(text::ToUtf8(DisplayName(names[0])).find(bob), std::string::npos);
    EXPECT_EQ(DisplayName(names[1]), u"S-1-5-21-1-2-3-4242");

    SecurityDescriptor sd;
    sd.dacl = {Ace::Deny(bobSid, SHARE_ACCESS_FULL), Ace::Allow(aliceSid, SHARE_ACCESS_CHANGE)};
    ASSERT_EQ(Add(u"Project files", 5, sd), 0u);
    // Windows answers 2118 for a name in use, Samba 80.
    EXPECT_THAT(Add(u"Project files", 5, sd), testing::AnyOf(NERR_DuplicateShare, ERROR_FILE_EXISTS));

    ShareState got = State();
    ASSERT_TRUE(got.descriptor);
    EXPECT_EQ(got.descriptor->dacl, sd.dacl);
    EXPECT_EQ(got.details.remark, u"Project files");
    EXPECT_EQ(got.details.max_uses, 5u);
    EXPECT_EQ(MaxConnections(shareName), "5\n");
    // sharesec names Windows' Change mask (0x1301BF) by its letters: its own
    // CHANGE is a narrower mask.
    const std::string view = Sharesec(shareName);
    EXPECT_NE(view.find(bobText + ":DENIED/0x0/FULL"), std::string::npos) << view;
    EXPECT_NE(view.find(text::ToUtf8(aliceSid.ToString()) + ":ALLOWED/0x0/RWXD"), std::string::npos) << view;
    const std::string listed = ListedByServer(alice, Env("password"));
    EXPECT_NE(listed.find(shareName), std::string::npos) << listed;
    EXPECT_NE(listed.find("Project files"), std::string::npos) << listed;

    // The denied user is refused; the allowed one gets in.
    const std::string connect = "smbclient -s " + Env("conf") + " //127.0.0.1/" + shareName + " -c ls -U '";
    const auto [refused, refusedStatus] = Shell(connect + bob + "%" + Env("password") + "'");
    EXPECT_NE(refusedStatus, 0);
    EXPECT_NE(refused.find("NT_STATUS_ACCESS_DENIED"), std::string::npos) << refused;
    EXPECT_EQ(Shell(connect + alice + "%" + Env("password") + "'").second, 0);

    // Description, user limit and permissions, each written once; Samba
    // refuses level 1006, so the user limit alone goes as level 2.
    ShareUpdate update;
    update.maxUses = 9;
    auto outcome = WriteShareUpdate(Host().c_str(), name.c_str(), got, update);
    EXPECT_EQ(outcome.status, 0u) << outcome.failed;
    got = State();
    update = {};
    update.remark = u"Archived projects";
    update.descriptor = ApplyPermissionChanges(
        *got.descriptor, {{PermissionChange::Kind::Grant, u"", ShareRight::Read, aliceSid},
                          {PermissionChange::Kind::Grant, u"", ShareRight::Read, bobSid}});
    outcome = WriteShareUpdate(Host().c_str(), name.c_str(), got, update);
    EXPECT_EQ(outcome.status, 0u) << outcome.failed;
    EXPECT_EQ(outcome.changed, (std::vector<std::string>{"description", "permissions"}));
    got = State();
    ASSERT_TRUE(got.descriptor);
    EXPECT_EQ(got.descriptor->dacl, (std::vector<Ace>{Ace::Allow(aliceSid, SHARE_ACCESS_READ),
                                                      Ace::Allow(bobSid, SHARE_ACCESS_READ)}));
    EXPECT_EQ(got.details.remark, u"Archived projects");
    EXPECT_EQ(got.details.max_uses, 9u);
    EXPECT_EQ(MaxConnections(shareName), "9\n");
    // Asked again, nothing differs and nothing is written.
    EXPECT_TRUE(WriteShareUpdate(Host().c_str(), name.c_str(), got, update).changed.empty());
    const std::string after = Sharesec(shareName);
    EXPECT_NE(after.find(bobText + ":ALLOWED/0x0/READ"), std::string::npos) << after;
    EXPECT_EQ(after.find("DENIED"), std::string::npos) << after;
    EXPECT_NE(ListedByServer(alice, Env("password")).find("Archived projects"), std::string::npos);
    EXPECT_EQ(Shell(connect + bob + "%" + Env("password") + "'").second, 0);

    // Removed: gone for Vantor and for smbclient.
    EXPECT_EQ(NetShareDel(Host().c_str(), name.c_str(), 0), 0u);
    LPBYTE buffer = nullptr;
    // Windows answers 2310 for a share it does not have, Samba 123.
    EXPECT_THAT(NetShareGetInfo(Host().c_str(), name.c_str(), 2, &buffer),
                testing::AnyOf(NERR_NetNameNotFound, ERROR_INVALID_NAME));
    NetApiBufferFree(buffer);
    EXPECT_EQ(ListedByServer(alice, Env("password")).find(shareName), std::string::npos);

    // The same from the command line, as a script would run it: the program
    // itself, its exit statuses, and Samba's tools as the judge.
    auto vantor = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--server", Bed().viaRelay ? Bed().host : "127.0.0.1"});
        return testing_support::RunProgram(VANTOR_BINARY, args, {});
    };

    // Refused before anything is asked: nothing is created.
    auto run = vantor({"--share", "add", "--name", shareName + "/x", "--path", path});
    EXPECT_EQ(run.status, 2) << run.err;
    run = vantor({"--share", "add", "--name", shareName, "--path", "relative/path"});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(ListedByServer(alice, Env("password")).find(shareName), std::string::npos);

    run = vantor({"--share", "add", "--name", shareName, "--path", path, "--remark", "Project files",
                  "--max-uses", "5", "--grant", alice + ":change", "--deny", bob + ":full"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::string cliView = Sharesec(shareName);
    EXPECT_NE(cliView.find(bobText + ":DENIED/0x0/FULL"), std::string::npos) << cliView;
    EXPECT_EQ(MaxConnections(shareName), "5\n");
    EXPECT_NE(ListedByServer(alice, Env("password")).find("Project files"), std::string::npos);

    run = vantor({"--list", "permissions", "--share", shareName, "--format", "csv"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(bobText + ",deny,full"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(",allow,change"), std::string::npos) << run.out;

    run = vantor({"--share", "set", "--name", shareName, "--remark", "Archived", "--max-uses",
                  "unlimited", "--revoke", bob});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Sharesec(shareName).find("DENIED"), std::string::npos);
    EXPECT_NE(ListedByServer(alice, Env("password")).find("Archived"), std::string::npos);

    run = vantor({"--share", "remove", "--name", shareName});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ListedByServer(alice, Env("password")).find(shareName), std::string::npos);
    run = vantor({"--share", "remove", "--name", shareName});
    EXPECT_EQ(run.status, 1) << "a share that is gone is a failure of one line";
}

// Loopback traffic on port 445 written to a file by dumpcap, from the
// constructor until Stop(); the capture process is stopped by its PID.
class PacketCapture {
public:
    explicit PacketCapture(std::string file) : mFile(std::move(file)) {
        unlink(mFile.c_str());
        mPid = fork();
        if (mPid == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execlp("dumpcap", "dumpcap", "-q", "-i", "lo", "-f", "tcp port 445", "-w", mFile.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        // dumpcap writes the file's header once it is capturing.
        struct stat st {};
        for (int i = 0; i < 100 && (stat(mFile.c_str(), &st) != 0 || st.st_size == 0); ++i) usleep(50000);
        started = st.st_size > 0;
    }
    ~PacketCapture() { Stop(); }
    void Stop() {
        if (mPid <= 0) return;
        kill(mPid, SIGTERM);
        waitpid(mPid, nullptr, 0);
        mPid = -1;
    }
    bool started = false;

private:
    std::string mFile;
    pid_t mPid = -1;
};

// The fields tshark prints for each frame its display filter keeps, a line each.
std::vector<std::string> Frames(const std::string& file, const std::string& filter,
                                const std::string& fields = "-e frame.number") {
    const auto [out, status] = Shell("tshark -n -r '" + file + "' -Y '" + filter + "' -T fields " + fields, false);
    if (status != 0) return {"tshark failed: " + out};
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(SambaShares, EveryShareCallDissectsWithoutAMalformedPacket) {
    if (Bed().viaRelay) GTEST_SKIP() << "read once, on the direct pass";
    if (Shell("command -v tshark && command -v dumpcap").second != 0)
        GTEST_SKIP() << "tshark is not installed (apt-get install tshark)";
    const std::string file = Bed().dir + "/shares.pcapng";
    PacketCapture capture(file);
    ASSERT_TRUE(capture.started);
    // Fresh connections, so that the capture holds each pipe's bind and the
    // dissector knows which interface a call belongs to.
    SetProvider(smb::MakeSmbProvider());

    const Sid aliceSid = SidOf(u"vantortest_alice");
    std::vector<AccountLookup> names;
    NetLookupAccountSids(Host().c_str(), {aliceSid}, names);
    SecurityDescriptor sd;
    sd.dacl = {Ace::Allow(aliceSid, SHARE_ACCESS_FULL)};
    ASSERT_EQ(Add(u"Captured", SHI_USES_UNLIMITED, sd), 0u);
    ShareState state = State();
    LPBYTE buffer = nullptr;
    NetShareGetInfo(Host().c_str(), name.c_str(), 1005, &buffer);
    NetApiBufferFree(buffer);
    ShareUpdate update;
    update.remark = u"Captured again";
    update.maxUses = 3;
    update.descriptor = SecurityDescriptor{};
    update.descriptor->dacl = {Ace::Allow(aliceSid, SHARE_ACCESS_READ)};
    EXPECT_EQ(WriteShareUpdate(Host().c_str(), name.c_str(), state, update).status, 0u);
    DWORD parm = 0;
    SHARE_INFO_1004 remark{const_cast<char16_t*>(u"Once more")};
    EXPECT_EQ(NetShareSetInfo(Host().c_str(), name.c_str(), 1004, reinterpret_cast<LPBYTE>(&remark), &parm), 0u);
    SHARE_INFO_1006 uses{4};
    NetShareSetInfo(Host().c_str(), name.c_str(), 1006, reinterpret_cast<LPBYTE>(&uses), &parm);
    EXPECT_EQ(NetShareDel(Host().c_str(), name.c_str(), 0), 0u);
    // The capture hands packets over in blocks: the last reply is on file
    // once it is seen there (a bounded wait, not a measurement).
    const std::string lastReply = "srvsvc.opnum == 18 && dcerpc.pkt_type == 2";
    for (int i = 0; i < 20 && Frames(file, lastReply).size() != 1; ++i) usleep(250000);
    capture.Stop();

    EXPECT_EQ(Frames(file, "_ws.malformed || _ws.expert.severity == \"Error\""), std::vector<std::string>{});
    // Each new call was seen, request and reply: srvsvc NetrShareAdd 14,
    // GetInfo 16, SetInfo 17, Del 18; lsarpc LookupSids 15, LookupNames 14.
    const auto calls = Frames(file, "srvsvc || lsarpc",
                              "-e dcerpc.pkt_type -e srvsvc.opnum -e lsarpc.opnum -E separator=,");
    const std::set<std::string> seen(calls.begin(), calls.end());
    for (const char* call : {",14,", ",16,", ",17,", ",18,", ",,14", ",,15"}) {
        EXPECT_EQ(seen.count(std::string("0") + call), 1u) << "request " << call;
        EXPECT_EQ(seen.count(std::string("2") + call), 1u) << "reply " << call;
    }
}

}  // namespace
