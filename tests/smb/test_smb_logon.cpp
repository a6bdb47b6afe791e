// The SMB provider's side of logging on and of found computers, against
// scripted servers: a refused call asks the lookup, logs on anew and runs
// again; found computers join the list without repeating known ones.
#include <gtest/gtest.h>

#include <deque>

#include "SmbTestServer.h"
#include "logon/CredentialLookup.h"
#include "smb/SmbProvider.h"

namespace {

using namespace netapi;
using smbtest::Request;
using smbtest::Stub;

// Lets a pipe open only when the account given for its host has the password.
class LogonGate final : public smb::PipeOpener {
public:
    LogonGate(std::shared_ptr<smbtest::ScriptedServers> servers, std::string password)
        : mServers(std::move(servers)), mPassword(std::move(password)) {}
    NET_API_STATUS Open(const std::string& host, const std::string& pipe,
                        std::unique_ptr<smb::BytePipe>& out) override {
        if (passwords[host] != mPassword) return ERROR_LOGON_FAILURE;
        return mServers->Open(host, pipe, out);
    }
    void UseAccount(const std::string& host, const logon::Account& account) override {
        passwords[host] = account.password;
    }
    std::map<std::string, std::string> passwords;

private:
    std::shared_ptr<smbtest::ScriptedServers> mServers;
    std::string mPassword;
};

class ScriptedLookup final : public logon::CredentialLookup {
public:
    std::deque<std::optional<logon::Account>> answers;
    std::vector<std::pair<DWORD, int>> asked;  // status, attempt
    std::vector<std::string> accepted;

    std::optional<logon::Account> Known(const std::string&) override { return std::nullopt; }
    std::optional<logon::Account> Ask(const std::string&, std::uint32_t status, int attempt) override {
        asked.emplace_back(status, attempt);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Accepted(const std::string& server, const logon::Account&) override {
        accepted.push_back(server);
    }
    void Refused(const std::string&) override {}
};

logon::Account With(const char* password) { return {"admin", password, "LAB"}; }

class SmbLogon : public ::testing::Test {
protected:
    void SetUp() override { logon::SetLookup(lookup); }
    void TearDown() override { logon::SetLookup(nullptr); }

    DWORD fileStatus = NERR_Success;
    std::shared_ptr<smbtest::ScriptedServers> servers = std::make_shared<smbtest::ScriptedServers>(
        [this](const std::string&, const std::string&, const Request&) {
            return smbtest::FileEnumReply({}, 0, 0, fileStatus);
        });
    std::shared_ptr<LogonGate> gate = std::make_shared<LogonGate>(servers, "right");
    std::shared_ptr<ScriptedLookup> lookup = std::make_shared<ScriptedLookup>();
};

TEST_F(SmbLogon, AWrongPasswordIsAskedAgainAndTheRightOneRunsTheCallAndStays) {
    smb::SmbProvider provider(gate);
    lookup->answers = {With("wrong"), With("right")};
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, NERR_Success);
    EXPECT_EQ(lookup->asked, (std::vector<std::pair<DWORD, int>>{{1326, 0}, {1326, 1}}));
    EXPECT_EQ(lookup->accepted, std::vector<std::string>{"srv"});
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, NERR_Success);
    EXPECT_EQ(lookup->asked.size(), 2u);
}

TEST_F(SmbLogon, CancelOrEndlessWrongPasswordsLeaveTheFailure) {
    smb::SmbProvider provider(gate);
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, ERROR_LOGON_FAILURE);
    EXPECT_EQ(lookup->asked.size(), 1u);

    lookup->asked.clear();
    lookup->answers.assign(10, With("wrong"));
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, ERROR_LOGON_FAILURE);
    EXPECT_EQ(lookup->asked.size(), static_cast<std::size_t>(smb::SmbProvider::kMaxLogonAsks));
    EXPECT_TRUE(lookup->accepted.empty());
}

TEST_F(SmbLogon, AnAccountWithoutTheRightsIsAskedForOnce) {
    gate->passwords["srv"] = "right";
    fileStatus = ERROR_ACCESS_DENIED;
    smb::SmbProvider provider(gate);
    lookup->answers = {With("right"), With("right")};
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(lookup->asked, (std::vector<std::pair<DWORD, int>>{{5, 0}}));
    // Without a lookup (the command-line mode before one is installed) nobody is asked.
    logon::SetLookup(nullptr);
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(lookup->asked.size(), 1u);
}

// The listing as the scripted servers answer it: each host's type, some refusing.
class Listing : public ::testing::Test {
protected:
    void SetUp() override {
        servers->unreachable["127.0.0.1"] = ERROR_BAD_NETPATH;
        servers->unreachable["10.0.0.6"] = ERROR_LOGON_FAILURE;
        servers->unreachable["zeta"] = ERROR_ACCESS_DENIED;
        smb::SetKnownServers({u"alpha,zeta"});
        logon::SetLookup(lookup);
    }
    void TearDown() override {
        logon::SetLookup(nullptr);
        smb::SetCandidateSource(nullptr);
        smb::SetKnownServers({});
    }
    std::vector<std::u16string> Names(smb::SmbProvider& provider, DWORD mask) {
        std::vector<std::u16string> out;
        for (const auto& r : provider.ServerEnum(mask, std::nullopt).records) out.push_back(*r.name);
        return out;
    }

    std::map<std::string, DWORD> types = {{"10.0.0.9", SV_TYPE_SERVER | SV_TYPE_NT},
                                          {"10.0.0.10", SV_TYPE_SERVER},
                                          {"alpha", SV_TYPE_SERVER},
                                          {"10.0.0.8", SV_TYPE_SERVER},
                                          {"10.0.0.7", SV_TYPE_WORKSTATION}};
    std::shared_ptr<smbtest::ScriptedServers> servers = std::make_shared<smbtest::ScriptedServers>(
        [this](const std::string& host, const std::string&, const Request&) {
            ServerInfo101 info;
            info.type = types.count(host) ? types.at(host) : 0;
            return smbtest::ServerInfoReply(&info, NERR_Success);
        });
    std::shared_ptr<ScriptedLookup> lookup = std::make_shared<ScriptedLookup>();
};

TEST_F(Listing, FoundComputersAreListedWithTheirAddressesAndNeverTakeOverANamedOne) {
    smb::SmbProvider provider(servers);
    smb::SetCandidateSource([] {
        return std::vector<smb::Candidate>{{u"FOUND", "10.0.0.9"},
                                           {u"ALPHA", "10.0.0.8"},  // claims the name of a named one
                                           {u"", "10.0.0.7"},       // no name: its address
                                           {u"LOCKED", "10.0.0.6"},
                                           {u"AGAIN", "10.0.0.9"},  // one computer per address
                                           {u"FOUND", "10.0.0.10"},
                                           {u"NOWHERE", "files.example"}};  // not an address
    });
    EXPECT_EQ(Names(provider, SV_TYPE_SERVER),
              (std::vector<std::u16string>{u"alpha", u"zeta", u"FOUND (10.0.0.9)", u"ALPHA (10.0.0.8)",
                                           u"FOUND (10.0.0.10)"}));
    EXPECT_EQ(Names(provider, SV_TYPE_WORKSTATION), (std::vector<std::u16string>{u"zeta", u"10.0.0.7"}));
    // One that refuses to say its type is listed among all servers, to be
    // chosen and logged on to there; a named one under every type.
    const auto all = Names(provider, SV_TYPE_ALL);
    EXPECT_NE(std::find(all.begin(), all.end(), u"LOCKED (10.0.0.6)"), all.end());
    EXPECT_EQ(std::count(all.begin(), all.end(), u"zeta"), 1);

    // The names the administrator wrote go where the resolver says, whatever
    // was found; a found entry goes to its own address.
    EXPECT_EQ(provider.HostFor(u"alpha"), "alpha");
    EXPECT_EQ(provider.HostFor(u"\\FOUND"), "FOUND");
    EXPECT_EQ(provider.HostFor(u"FOUND (10.0.0.10)"), "10.0.0.10");
    EXPECT_EQ(provider.HostFor(u"x (files.example)"), "x (files.example)");
    servers->opened.clear();
    ServerInfo101 info;
    provider.ServerGetInfo(u"\\FOUND", info);
    EXPECT_EQ(servers->opened, std::vector<std::string>{"FOUND/srvsvc"});
    EXPECT_TRUE(lookup->asked.empty());  // a listing asks nobody
}

TEST_F(Listing, OnlyAComputerAskedAndSilentIsMarkedDown) {
    // Of three, one is asked and stays silent, one is never asked before the
    // time runs out; only the first is left alone afterwards.
    class Late final : public smb::PipeOpener {
    public:
        explicit Late(std::shared_ptr<smbtest::ScriptedServers> s) : servers(std::move(s)) {}
        NET_API_STATUS Open(const std::string& host, const std::string& pipe,
                            std::unique_ptr<smb::BytePipe>& out) override {
            return servers->Open(host, pipe, out);
        }
        std::vector<NET_API_STATUS> Reachable(const std::vector<std::string>& hosts,
                                              const std::function<void(std::size_t)>&) override {
            std::vector<NET_API_STATUS> out;
            for (const auto& h : hosts) out.push_back(h == "alpha" ? ERROR_BAD_NETPATH : ERROR_CANCELLED);
            if (outer != nullptr) outer->abandoned = true;  // Esc gives up the window's call
            return out;
        }
        std::shared_ptr<smbtest::ScriptedServers> servers;
        netapi::CallControl* outer = nullptr;
    };
    auto late = std::make_shared<Late>(servers);
    smb::SmbProvider provider(late);
    // Added computers that cannot tell their type are listed all the same.
    EXPECT_EQ(Names(provider, SV_TYPE_ALL).size(), 2u);
    ServerInfo101 info;
    const std::size_t before = servers->attempts;
    EXPECT_EQ(provider.ServerGetInfo(u"alpha", info), ERROR_BAD_NETPATH);
    EXPECT_EQ(servers->attempts, before);  // remembered as down: not asked again
    EXPECT_EQ(provider.ServerGetInfo(u"zeta", info), ERROR_ACCESS_DENIED);
    EXPECT_GT(servers->attempts, before);  // never asked: asked now

    // A listing given up (Esc) marks nobody.
    smb::SmbProvider again(late);
    netapi::CallControl call;
    late->outer = &call;
    {
        const netapi::ScopedCall scope(&call);
        again.ServerEnum(SV_TYPE_ALL, std::nullopt);
    }
    const std::size_t afterListing = servers->attempts;
    EXPECT_EQ(again.ServerGetInfo(u"alpha", info), NERR_Success);
    EXPECT_GT(servers->attempts, afterListing);
}

TEST(NamedByAdministrator, OnlyComputersTheAdministratorWroteMayGetAPassword) {
    smb::SetKnownServers({u"alpha,\\Files.Office.Test,10.0.0.5,Fake (10.0.0.66)"});
    EXPECT_TRUE(smb::NamedByAdministrator("127.0.0.1"));  // this computer
    EXPECT_TRUE(smb::NamedByAdministrator("ALPHA"));
    EXPECT_TRUE(smb::NamedByAdministrator("files.office.test"));
    EXPECT_TRUE(smb::NamedByAdministrator("10.0.0.5"));
    // Found and directory computers, and what a found entry's text points at.
    EXPECT_FALSE(smb::NamedByAdministrator("10.0.0.66"));
    EXPECT_FALSE(smb::NamedByAdministrator("files"));
    EXPECT_FALSE(smb::NamedByAdministrator("beta.office.test"));
    // A command line's server is named for that run.
    smb::AddTypedServer(u"beta.office.test");
    EXPECT_TRUE(smb::NamedByAdministrator("beta.office.test"));
    smb::SetKnownServers({});
}

}  // namespace
