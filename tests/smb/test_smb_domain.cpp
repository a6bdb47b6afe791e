// Finding a domain's controller: the server's answer about its domain
// (lsarpc) and DNS's SRV records, both untrusted input.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "SmbTestServer.h"
#include "netenum/CallControl.h"
#include "smb/DcLocator.h"
#include "smb/Directory.h"
#include "smb/Lsa.h"

namespace {

using smb::NdrWriter;
namespace lsa = smb::lsa;

// A reply to QueryInformationPolicy as a domain controller (level 12) or a
// member server (level 3) sends it, with a SID of four parts that claims
// `sidClaims`.
std::vector<std::uint8_t> Reply(std::uint16_t level, std::uint8_t sidClaims = 4, bool sid = true) {
    NdrWriter w;
    w.U32(w.Referent());
    w.U16(level);
    w.Align(4);
    smbtest::CountedHeader(w, u"OFFICE");
    if (level == lsa::kPolicyDnsDomainInformation) {
        smbtest::CountedHeader(w, u"office.test");
        smbtest::CountedHeader(w, u"office.test");
        for (int i = 0; i < 16; ++i) w.U8(0xAB);  // the domain's GUID
    }
    if (sid) w.U32(w.Referent()); else w.NullPointer();
    w.CountedStringBody(u"OFFICE");
    if (level == lsa::kPolicyDnsDomainInformation) {
        w.CountedStringBody(u"office.test");
        w.CountedStringBody(u"office.test");
    }
    if (sid) {
        w.U32(4);
        w.U8(1);
        w.U8(sidClaims);
        for (std::uint8_t b : {0, 0, 0, 0, 0, 5}) w.U8(b);
        smbtest::U32s(w, 21u, 22u, 23u, 24u);
    }
    w.U32(0);
    return w.Take();
}

TEST(LsaDomain, ControllersAndMembersSayTheirDomainAndMalformedAnswersAreErrors) {
    lsa::DomainInfo info;
    std::uint32_t nt = 1;
    // A workgroup's name comes without a SID.
    for (const auto& [level, sid] : {std::pair<std::uint16_t, bool>{12, true}, {3, true}, {3, false}}) {
        ASSERT_EQ(lsa::DecodeQueryDomain(Reply(level, 4, sid), level, info, nt), 0u) << level;
        EXPECT_EQ(nt, 0u);
        EXPECT_EQ(info.name, u"OFFICE");
        EXPECT_EQ(info.dnsDomain, level == 12 ? u"office.test" : u"");
        EXPECT_EQ(info.hasSid, sid);
    }

    // Malformed: another level than asked, SID counts that disagree, and every truncation.
    constexpr std::uint32_t kProtocolError = 1728;
    EXPECT_EQ(lsa::DecodeQueryDomain(Reply(3), 12, info, nt), kProtocolError);
    EXPECT_EQ(lsa::DecodeQueryDomain(Reply(12, 5), 12, info, nt), kProtocolError);
    const auto whole = Reply(12);
    for (std::size_t n = 0; n < whole.size(); ++n)
        EXPECT_EQ(lsa::DecodeQueryDomain({whole.data(), n}, 12, info, nt), kProtocolError) << n;
}

// A DNS answer: a header, the question, and SRV records (priority, weight,
// target) in the order given.
std::vector<std::uint8_t> SrvAnswer(const std::vector<std::tuple<int, int, std::string>>& records) {
    std::vector<std::uint8_t> m = {0x12, 0x34, 0x81, 0x80, 0, 1, 0, static_cast<std::uint8_t>(records.size()),
                                   0, 0, 0, 0};
    auto name = [&m](const std::string& dotted) {
        std::istringstream labels(dotted);
        for (std::string label; std::getline(labels, label, '.');) {
            m.push_back(static_cast<std::uint8_t>(label.size()));
            m.insert(m.end(), label.begin(), label.end());
        }
        m.push_back(0);
    };
    auto u16 = [&m](int v) {
        m.push_back(static_cast<std::uint8_t>(v >> 8));
        m.push_back(static_cast<std::uint8_t>(v));
    };
    name("_ldap._tcp.dc._msdcs.office.test");
    u16(33);
    u16(1);
    for (const auto& [priority, weight, target] : records) {
        for (int v : {0xC00C /* the question's name */, 33, 1, 0, 600}) u16(v);
        // Its length: three numbers, then the name (a length byte per label, a 0 at the end).
        for (int v : {static_cast<int>(target.size()) + 8, priority, weight, 389}) u16(v);
        name(target);
    }
    return m;
}

TEST(DcLocator, ControllersComeBestFirstWithPlainHostNamesFromTheServersDomain) {
    const auto m = SrvAnswer({{10, 0, "dc3.office.test"},
                              {0, 10, "dc2.office.test"},
                              {0, 90, "dc1.office.test"},
                              {0, 100, "evil\nname.office.test"}});
    const auto targets = smb::ParseSrvAnswer(m.data(), m.size());
    std::vector<std::string> hosts;
    for (const auto& t : targets) hosts.push_back(t.host);
    EXPECT_EQ(hosts, (std::vector<std::string>{"dc1.office.test", "dc2.office.test", "dc3.office.test"}));
    EXPECT_EQ(targets[0].port, 389);
    for (std::size_t n = 0; n < m.size(); ++n)
        EXPECT_LE(smb::ParseSrvAnswer(m.data(), n).size(), 3u);  // truncated: never more, never a crash
    EXPECT_TRUE(smb::ParseSrvAnswer(nullptr, 0).empty());

    // A NetBIOS name is tried in the server's own DNS domain first; an
    // address is no DNS name.
    EXPECT_EQ(smb::LikelyDnsDomains("files1.Office.Test").at(0), "office.test");
    for (const char* address : {"10.99.0.2", "fe80::1"})
        for (const auto& d : smb::LikelyDnsDomains(address)) EXPECT_NE(d, "99.0.2") << address;
}

// Name servers that never answer, in a mount namespace whose resolv.conf
// lists three of them: runs `ask` inside the call `deadlineMs` from now and
// gives how many questions reached them (or -1 when it cannot be set up).
int QuestionsToDeadNameServers(int deadlineMs, const std::function<void()>& ask) {
    const pid_t child = fork();
    if (child == 0) {
        char folder[] = "/tmp/vantor-resolv-XXXXXX";
        if (mkdtemp(folder) == nullptr || unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            _exit(255);
        const std::string conf = std::string(folder) + "/resolv.conf";
        std::ofstream(conf) << "nameserver 127.0.0.77\nnameserver 127.0.0.78\nnameserver 127.0.0.79\n"
                               "options timeout:2 attempts:1\n";
        if (mount(conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0) _exit(255);
        std::vector<int> holes;
        for (const char* address : {"127.0.0.77", "127.0.0.78", "127.0.0.79"}) {
            const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
            sockaddr_in at{.sin_family = AF_INET, .sin_port = htons(53), .sin_addr = {}, .sin_zero = {}};
            inet_pton(AF_INET, address, &at.sin_addr);
            if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) _exit(255);
            holes.push_back(fd);
        }
        netapi::CallControl call;
        call.deadline = netapi::CallClock::now() + std::chrono::milliseconds(deadlineMs);
        const netapi::ScopedCall scope(&call);
        ask();
        int questions = 0;
        char datagram[512];
        for (const int fd : holes)
            while (recv(fd, datagram, sizeof datagram, 0) > 0) ++questions;
        umount("/etc/resolv.conf");
        std::remove(conf.c_str());
        rmdir(folder);
        _exit(questions);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

TEST(DcLocator, DeadNameServersCostNoMoreThanTheCallHasLeft) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root (a resolv.conf of the test's own)";
    // Each name server would get its two seconds, one after the other; with
    // a second and a half left, only the first is asked, once.
    EXPECT_EQ(QuestionsToDeadNameServers(1500, [] { smb::FindDomainControllers("office.test"); }), 1);
    // The directory read, five seconds by its own limit, keeps to the call's too.
    EXPECT_EQ(QuestionsToDeadNameServers(1500, [] { smb::DirectoryComputers("office.test", std::chrono::seconds(5)); }), 1);
    // With no time left, nobody is asked.
    EXPECT_EQ(QuestionsToDeadNameServers(500, [] { smb::FindDomainControllers("office.test"); }), 0);
}

}  // namespace

