// The SMB provider's side of logging on and of found computers, against
// scripted servers: a refused call asks the lookup, logs on anew and runs
// again; found computers join the list without repeating known ones.
#include <gtest/gtest.h>

#include <deque>

#include "SmbTestServer.h"
#include "logon/CredentialLookup.h"
#include "netenum/providers/smb/SmbProvider.h"

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

TEST_F(SmbLogon, FoundComputersJoinTheListOnceAndNamedOnesThatRefuseStay) {
    const std::map<std::string, DWORD> types = {{"10.0.0.9", SV_TYPE_SERVER | SV_TYPE_NT},
                                                {"alpha", SV_TYPE_SERVER},
                                                {"10.0.0.7", SV_TYPE_WORKSTATION}};
    auto listed = std::make_shared<smbtest::ScriptedServers>(
        [&](const std::string& host, const std::string&, const Request&) {
            ServerInfo101 info;
            info.type = types.count(host) ? types.at(host) : 0;
            return smbtest::ServerInfoReply(&info, NERR_Success);
        });
    listed->unreachable["127.0.0.1"] = ERROR_BAD_NETPATH;
    listed->unreachable["10.0.0.6"] = ERROR_LOGON_FAILURE;
    listed->unreachable["zeta"] = ERROR_ACCESS_DENIED;
    smb::SmbProvider provider(listed);
    smb::SetKnownServers({u"alpha,zeta"});
    smb::SetCandidateSource([] {
        return std::vector<smb::Candidate>{{u"FOUND", "10.0.0.9"},
                                           {u"ALPHA", "10.0.0.8"},  // the known one by name
                                           {u"", "10.0.0.7"},       // no name: its address
                                           {u"LOCKED", "10.0.0.6"},
                                           {u"AGAIN", "10.0.0.9"}};
    });
    auto names = [&](DWORD mask) {
        std::vector<std::u16string> out;
        for (const auto& r : provider.ServerEnum(mask, std::nullopt).records) out.push_back(*r.name);
        return out;
    };
    EXPECT_EQ(names(SV_TYPE_SERVER), (std::vector<std::u16string>{u"alpha", u"zeta", u"FOUND"}));
    EXPECT_EQ(names(SV_TYPE_WORKSTATION), (std::vector<std::u16string>{u"zeta", u"10.0.0.7"}));
    EXPECT_EQ(provider.HostFor(u"found"), "10.0.0.9");
    EXPECT_TRUE(lookup->asked.empty());  // a listing asks nobody
    smb::SetCandidateSource(nullptr);
    smb::SetKnownServers({});
}

}  // namespace
