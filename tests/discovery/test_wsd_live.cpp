// Run by wsd-live inside namespace B of a small LAN where one host
// misbehaves (see wsd-live for who is where). What a stranger can send may
// add a row to the computer list; it may not get the administrator's logon,
// take over a name the administrator wrote, or hold the window. Run a second
// time with FILES2 behind a relay that gives its pipes Windows' message-mode
// reads.
#include <gtest/gtest.h>

#include <QLabel>
#include <QtGlobal>
#include <filesystem>
#include <fstream>
#include <map>

#include "GuiTestEnvironment.h"
#include "app/NetworkChoice.h"
#include "app/window/SavedServers.h"
#include "app/window/frmMain.h"
#include "discovery/Discovery.h"
#include "discovery/DnsSd.h"
#include "discovery/WsDiscovery.h"
#include "netenum/Provider.h"
#include "netenum/netapi.h"
#include "smb/SmbProvider.h"
#include "support/LiveFixture.h"
#include "support/ProgramRun.h"
#include "text/Text.h"
#include "windows/common/CallWait.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Settings.h"

namespace {

std::string Env(const char* name) { return qEnvironmentVariable(name).toStdString(); }

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Everything one smbd of the LAN logged ("servers", "files2" or "stranger").
std::string SmbLog(const std::string& which) {
    std::string all;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(Env("VANTOR_LAN_DIR") + "/" + which + "/log", ignored))
        if (entry.is_regular_file()) all += Slurp(entry.path());
    return all;
}

// Logon attempts the audit log recorded, and those carrying the
// administrator's user name (root, from the auth file).
std::size_t Count(const std::string& text, const std::string& what) {
    return static_cast<std::size_t>(QString::fromStdString(text).count(QString::fromStdString(what)));
}
std::size_t Logons(const std::string& log) { return Count(log, "Auth: ["); }
std::size_t AdministratorLogons(const std::string& log) { return Count(log, "]\\[root]"); }

class Lan : public ::testing::Test {
protected:
    void SetUp() override {
        if (Env("VANTOR_LAN_DIR").empty()) GTEST_SKIP() << "run through wsd-live";
        // FILES2, or the relay in front of it, is where its name leads.
        ASSERT_EQ(testing_support::ResolvedAddress("files2"), Env("VANTOR_LAN_FILES2_AT"));
        // The administrator added FILES2 and finds the rest on the network.
        smb::SetKnownServers({u"files2"});
        app::SetDiscovery(true);
        netapi::SetProvider(smb::MakeSmbProvider());
        strangerBefore = SmbLog("stranger");
    }
    void TearDown() override {
        netapi::SetCallRunner(nullptr);  // a test's own runner, left set when it stopped early
        app::SetDiscovery(false);
        smb::SetKnownServers({});
        netapi::SetProvider(nullptr);
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }
    // The stranger heard from us (its audit log works) but never the administrator's name.
    void ExpectTheStrangerGotNoPassword() {
        const std::string log = SmbLog("stranger");
        EXPECT_GT(Logons(log), Logons(strangerBefore)) << "the stranger was never asked";
        EXPECT_EQ(AdministratorLogons(log), 0u) << log;
    }
    std::string strangerBefore;
};

TEST_F(Lan, DiscoveryFindsWsddAndEveryClaimantByItsAddressWithinBounds) {
    std::map<std::string, std::string> at;  // address: name/group
    for (const auto& f : discovery::DiscoverWsd(discovery::kWindow)) at[f.address] += f.name + "/" + f.group;
    // 200 computers from one host are one entry; the tarpit gave no name in time.
    EXPECT_EQ(at.size(), 4u);
    EXPECT_EQ(at[Env("VANTOR_WSD_ADDRESS")], "WSDFILES/VANTORLAB");
    EXPECT_EQ(at[Env("VANTOR_LAN_STRANGER")], "FILES2/LAB");
    EXPECT_EQ(at.count(Env("VANTOR_LAN_FLOOD")), 1u);
    EXPECT_EQ(at[Env("VANTOR_LAN_TARPIT")], "/");

    // The tarpit's metadata addresses: two for the computer at its address,
    // both at once, and never the one naming another host.
    const std::string tarpit = Slurp(Env("VANTOR_LAN_DIR") + "/tarpit.log");
    EXPECT_EQ(Count(tarpit, "accept " + Env("VANTOR_LAN_FILES2")), 0u) << tarpit;
    EXPECT_EQ(Count(tarpit, "accept "), discovery::kXAddrsTried) << tarpit;
    EXPECT_NE(tarpit.find("peak 2"), std::string::npos) << tarpit;
}

TEST_F(Lan, TheWindowAndTheListModeListTheStrangerByAddressAndSendItNoPassword) {
    gui_test::Doubles doubles;
    common::WaitingCallRunner runner;
    netapi::SetCallRunner(&runner);
    common::SaveSetting("Vantor", "Network", "Servers", "files2");
    app::PublishSavedServers();
    const std::size_t files2Before = AdministratorLogons(SmbLog("files2"));
    {
        app::frmMain window;
        window.Load();
        gui_test::Pick(window.cboComputerType, "All Servers");
        // The tarpit held its connections; the listing still ended by itself
        // (no "semaphore timeout" box) and the window took the next key.
        for (const auto& asked : doubles.prompts().asked()) ADD_FAILURE() << asked.text.toStdString();
        const QStringList names = gui_test::Entries(window.cboComputerName);
        EXPECT_TRUE(names.contains("files2")) << names.join(", ").toStdString();
        EXPECT_TRUE(names.contains("WSDFILES (" + QString::fromStdString(Env("VANTOR_WSD_ADDRESS")) + ")"));
        // The stranger, by the name it claimed over WS-Discovery (or, should
        // that answer drown in the flood, the one it publishes over DNS-SD).
        const QString strangerAddress = " (" + QString::fromStdString(Env("VANTOR_LAN_STRANGER")) + ")";
        const QStringList strangers = names.filter(strangerAddress);
        ASSERT_EQ(strangers.size(), 1) << names.join(", ").toStdString();
        const QString impostor = strangers.front();
        EXPECT_TRUE(impostor == "FILES2" + strangerAddress || impostor == "stranger" + strangerAddress);

        // Choosing the stranger is the administrator's act: a log-on may be
        // asked for, naming its address, and nothing is sent unasked.
        gui_test::Pick(window.cboComputerName, impostor);
        for (const auto& request : doubles.prompts().logonRequests)
            EXPECT_EQ(request.server.toStdString(), Env("VANTOR_LAN_STRANGER"));
        ExpectTheStrangerGotNoPassword();

        // The named FILES2 gets the administrator's logon, at its own address.
        gui_test::Pick(window.cboComputerName, "files2");
        EXPECT_GT(AdministratorLogons(SmbLog("files2")), files2Before);
        EXPECT_NE(window.Text1->Text().toStdString().find("Computer information retrieved"), std::string::npos);
        window.close();
    }
    netapi::SetCallRunner(nullptr);
    common::SaveSetting("Vantor", "Network", "Servers", "");
    app::PublishSavedServers();

    // After that listing, in which the stranger claimed FILES2, the name as
    // typed still goes where the resolver says, with discovery on or off;
    // FILES3, in no resolver, is not looked for by NetBIOS broadcast, where
    // the stranger would answer.
    netapi::ServerInfo101 info;
    EXPECT_EQ(netapi::ActiveProvider()->ServerGetInfo(u"\\\\FILES2", info), 0u);
    app::SetDiscovery(false);
    EXPECT_EQ(netapi::ActiveProvider()->ServerGetInfo(u"\\\\FILES2", info), 0u);
    EXPECT_NE(netapi::ActiveProvider()->ServerGetInfo(u"FILES3", info), 0u);
    ExpectTheStrangerGotNoPassword();

    // The real program's list mode, with settings of its own (discovery is on
    // by default): FILES2 is listed with the administrator's logon; FILES3 is
    // not the stranger.
    const auto run = testing_support::RunProgram(
        VANTOR_BINARY, {"--list", "shares", "--server", "all", "--server", "FILES3", "--format", "csv"},
        {{"XDG_CONFIG_HOME", Env("VANTOR_LAN_DIR") + "/list-home"}, {"VANTOR_SMB_SERVERS", "files2"},
         {"VANTOR_NETWORK", "smb"}});
    EXPECT_NE(run.out.find("\nfiles2,public,"), std::string::npos) << run.out << run.err;
    EXPECT_NE(run.err.find("FILES3: "), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("\nFILES3,"), std::string::npos) << run.out;
    ExpectTheStrangerGotNoPassword();
}

TEST_F(Lan, DnsSdIsListedBoundedAndGivenNoPassword) {
    if (Env("VANTOR_LAN_DNSSD") != "1") GTEST_SKIP() << "no avahi-daemon here";
    // 302 services, all on one host, one with markup for a name: listed
    // once, by the host's name, and asked without a password.
    std::vector<discovery::FoundComputer> found;
    smb::SetCandidateSource([&found] {
        found = discovery::DiscoverDnsSd(discovery::kWindow);
        std::vector<smb::Candidate> candidates;
        for (const auto& f : found) candidates.push_back({text::FromUtf8(f.name), f.address});
        return candidates;
    });
    const auto listed = netapi::ActiveProvider()->ServerEnum(netapi::SV_TYPE_ALL, std::nullopt).records;
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [](const auto& r) {
        return r.name == u"stranger (" + text::FromUtf8(Env("VANTOR_LAN_STRANGER")) + u")";
    }));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "stranger");
    EXPECT_EQ(found[0].address, Env("VANTOR_LAN_STRANGER"));
    ExpectTheStrangerGotNoPassword();
}

}  // namespace
