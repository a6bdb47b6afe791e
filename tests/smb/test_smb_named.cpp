// The SMB provider and the computers the administrator named: an added
// computer is listed whatever it answers, with what kept it from answering;
// the listing's check has a short deadline of its own; Log On As, Forget
// Log-On, and an account that lacks a right is not asked for again.
#include <gtest/gtest.h>

#include <deque>

#include "SmbTestServer.h"
#include "logon/CredentialLookup.h"
#include "netenum/CallControl.h"
#include "netenum/MessageTarget.h"
#include "smb/SmbProvider.h"
#include "support/ScriptedProvider.h"

namespace {

using namespace netapi;
using smbtest::Request;

// Scripted servers behind a gate: what each host answers the reachability
// check, and a password that its pipes open with.
class Gate final : public smb::PipeOpener {
public:
    explicit Gate(std::shared_ptr<smbtest::ScriptedServers> servers) : mServers(std::move(servers)) {}

    NET_API_STATUS Open(const std::string& host, const std::string& pipe,
                        std::unique_ptr<smb::BytePipe>& out) override {
        if (passwords.count(host) != 0 && passwords[host] != "right") return ERROR_LOGON_FAILURE;
        return mServers->Open(host, pipe, out);
    }
    void UseAccount(const std::string& host, const logon::Account& account) override {
        passwords[host] = account.password;
    }
    void ForgetAccount(const std::string& host) override { passwords.erase(host); }
    bool LogsOnWithAccount(const std::string& host) override { return passwords.count(host) != 0; }
    std::vector<NET_API_STATUS> Reachable(const std::vector<std::string>& hosts,
                                          const std::function<void(std::size_t)>& answered) override {
        checkTime = CurrentCall()->Remaining();
        std::vector<NET_API_STATUS> out;
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            out.push_back(reach.count(hosts[i]) != 0 ? reach[hosts[i]] : NERR_Success);
            if (out.back() == NERR_Success) answered(i);
        }
        return out;
    }

    std::map<std::string, std::string> passwords;  // by host, once an account was given
    std::map<std::string, NET_API_STATUS> reach;   // by host; 0 when absent
    std::chrono::milliseconds checkTime{0};

private:
    std::shared_ptr<smbtest::ScriptedServers> mServers;
};

class Lookup final : public logon::CredentialLookup {
public:
    std::deque<std::optional<logon::Account>> answers;
    std::vector<std::pair<std::uint32_t, int>> asked;  // status, attempt
    std::vector<std::string> accepted, forgotten, lacking;

    std::optional<logon::Account> Known(const std::string&) override { return std::nullopt; }
    std::optional<logon::Account> Ask(const std::string&, std::uint32_t status, int attempt) override {
        asked.emplace_back(status, attempt);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Accepted(const std::string& server, const logon::Account&) override { accepted.push_back(server); }
    void Refused(const std::string&) override {}
    void Forget(const std::string& server) override { forgotten.push_back(server); }
    void LacksRight(const std::string& server, std::uint32_t) override { lacking.push_back(server); }
};

logon::Account With(const char* password) { return {"admin", password, "LAB"}; }

class NamedComputers : public ::testing::Test {
protected:
    void SetUp() override { logon::SetLookup(lookup); }
    void TearDown() override {
        logon::SetLookup(nullptr);
        smb::SetKnownServers({});
    }

    std::map<std::string, DWORD> deleteStatus;  // NetrSessionDel's answer by host
    std::chrono::milliseconds askTime = std::chrono::milliseconds::max();  // left to a type query
    std::shared_ptr<smbtest::ScriptedServers> servers = std::make_shared<smbtest::ScriptedServers>(
        [this](const std::string& host, const std::string&, const Request& request) {
            if (request.opnum == 13)
                return smbtest::StatusReply(deleteStatus.count(host) ? deleteStatus[host] : 0);
            if (request.opnum == 21) {
                askTime = std::min(askTime, CurrentCall()->Remaining());
                ServerInfo101 info;
                info.type = SV_TYPE_SERVER;
                return smbtest::ServerInfoReply(&info, NERR_Success);
            }
            return smbtest::FileEnumReply({}, 0, 0, NERR_Success);
        });
    std::shared_ptr<Gate> gate = std::make_shared<Gate>(servers);
    std::shared_ptr<Lookup> lookup = std::make_shared<Lookup>();
};

TEST_F(NamedComputers, AddedOnesAreListedUnderEveryTypeWithWhatKeptThemFromAnswering) {
    gate->reach = {{"127.0.0.1", ERROR_BAD_NETPATH}, {"oldnas", WSAHOST_NOT_FOUND},
                   {"127.0.0.2", ERROR_BAD_NETPATH}, {"10.0.0.9", ERROR_BAD_NETPATH}};
    servers->unreachable["locked"] = ERROR_ACCESS_DENIED;
    smb::SmbProvider provider(gate);
    smb::SetKnownServers({u"oldnas,127.0.0.2,locked,files"});
    // A found computer that does not answer is no added one: it is left out.
    smb::SetCandidateSource([] { return std::vector<smb::Candidate>{{u"FOUND", "10.0.0.9"}}; });
    testing_support::RecordingSink pane;
    const netenum::ScopedMessageTarget target(&pane);
    const auto listed = provider.ServerEnum(SV_TYPE_NOVELL, std::nullopt);
    smb::SetCandidateSource(nullptr);

    std::vector<std::u16string> names;
    for (const auto& record : listed.records) names.push_back(*record.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"oldnas", u"127.0.0.2", u"locked"}));
    EXPECT_EQ(testing_support::S(pane.text),
              "oldnas: name not found\r\n127.0.0.2: not answering\r\nlocked: log-on needed\r\n");
    EXPECT_TRUE(lookup->asked.empty()) << "a listing asks nobody";
    // Only waiting for an answer at all is cut short; asking one that answered is not.
    EXPECT_LE(gate->checkTime, smb::SmbProvider::kProbeDeadline);
    EXPECT_GT(askTime, smb::SmbProvider::kProbeDeadline);
}

TEST_F(NamedComputers, LogOnAsAsksUntilTakenARightTheAccountLacksIsNotAskedForAndForgetDropsIt) {
    deleteStatus["srv"] = ERROR_ACCESS_DENIED;
    smb::SmbProvider provider(gate);
    lookup->answers = {With("wrong"), With("right")};
    EXPECT_EQ(provider.LogOnAs(u"srv"), NERR_Success);
    EXPECT_EQ(lookup->asked, (std::vector<std::pair<std::uint32_t, int>>{
                                 {logon::kAskedByAdministrator, 0}, {ERROR_LOGON_FAILURE, 1}}));
    EXPECT_EQ(lookup->accepted, std::vector<std::string>{"srv"});

    // The account was answered: a refusal of one operation asks nobody.
    lookup->asked.clear();
    EXPECT_EQ(provider.SessionDel(u"srv", u"\\\\WS1", u"ghost"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(lookup->asked.empty());
    EXPECT_EQ(lookup->lacking, std::vector<std::string>{"srv"});

    lookup->answers = {std::nullopt};
    EXPECT_EQ(provider.LogOnAs(u"srv"), ERROR_CANCELLED);
    provider.ForgetLogOn(u"\\\\srv");
    EXPECT_EQ(lookup->forgotten, std::vector<std::string>{"srv"});
    EXPECT_EQ(gate->passwords.count("srv"), 0u) << "the next call logs on afresh";
}

}  // namespace
