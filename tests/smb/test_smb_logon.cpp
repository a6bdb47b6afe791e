// The SMB provider's side of logging on and of the computers it lists,
// against scripted servers: a refused call asks the lookup, logs on anew and
// runs again; Log On As and Forget Log-On; an account that lacks a right is
// not asked for again; found computers join the list without taking over a
// named one; an added computer is listed whatever it answers, and the
// listing's check has a short deadline of its own.
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

using Asked = std::vector<std::pair<std::uint32_t, int>>;

logon::Account With(const char* password) { return {"admin", password, "LAB"}; }

using smbtest::ListedNames;

class SmbLogon : public ::testing::Test {
protected:
    void SetUp() override { logon::SetLookup(lookup); }
    void TearDown() override {
        logon::SetLookup(nullptr);
        smb::SetCandidateSource(nullptr);
        smb::SetKnownServers({});
    }

    DWORD fileStatus = NERR_Success;
    std::map<std::string, DWORD> deleteStatus;                             // NetrSessionDel's answer by host
    std::map<std::string, DWORD> types;                                    // each host's server type
    std::chrono::milliseconds askTime = std::chrono::milliseconds::max();  // left to a type query
    std::shared_ptr<smbtest::ScriptedServers> servers = std::make_shared<smbtest::ScriptedServers>(
        [this](const std::string& host, const std::string&, const Request& request) {
            if (request.opnum == 13)
                return smbtest::StatusReply(deleteStatus.count(host) ? deleteStatus[host] : 0);
            if (request.opnum == 21) {
                askTime = std::min(askTime, CurrentCall()->Remaining());
                return smbtest::ServerOfType(types.count(host) ? types.at(host) : SV_TYPE_SERVER);
            }
            return smbtest::FileEnumReply({}, 0, 0, fileStatus);
        });
    std::shared_ptr<Lookup> lookup = std::make_shared<Lookup>();
};

TEST_F(SmbLogon, AWrongPasswordIsAskedAgainUntilRightCancelledOrTooOften) {
    servers->needsAccount = true;
    smb::SmbProvider provider(servers);
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, ERROR_LOGON_FAILURE);  // cancelled
    EXPECT_EQ(lookup->asked, (Asked{{1326, 0}}));
    lookup->asked.clear();
    lookup->answers.assign(10, With("wrong"));
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, ERROR_LOGON_FAILURE);
    EXPECT_EQ(lookup->asked.size(), static_cast<std::size_t>(smb::SmbProvider::kMaxLogonAsks));
    EXPECT_TRUE(lookup->accepted.empty());

    lookup->asked.clear();
    lookup->answers = {With("wrong"), With("right")};
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, NERR_Success);
    EXPECT_EQ(lookup->asked, (Asked{{1326, 0}, {1326, 1}}));
    EXPECT_EQ(lookup->accepted, std::vector<std::string>{"srv"});
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, NERR_Success);  // the account stays
    EXPECT_EQ(lookup->asked.size(), 2u);
}

TEST_F(SmbLogon, AnAccountWithoutTheRightsIsAskedForOnce) {
    servers->passwords["srv"] = "right";
    fileStatus = ERROR_ACCESS_DENIED;
    smb::SmbProvider provider(servers);
    lookup->answers = {With("right"), With("right")};
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(lookup->asked, (Asked{{5, 0}}));
    // Without a lookup (the command-line mode before one is installed) nobody is asked.
    logon::SetLookup(nullptr);
    EXPECT_EQ(provider.FileEnum(u"srv", u"", u"").status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(lookup->asked.size(), 1u);
}

TEST_F(SmbLogon, LogOnAsAsksUntilTakenARightTheAccountLacksIsNotAskedForAndForgetDropsIt) {
    deleteStatus["srv"] = ERROR_ACCESS_DENIED;
    smb::SmbProvider provider(servers);
    lookup->answers = {With("wrong"), With("right")};
    EXPECT_EQ(provider.LogOnAs(u"srv"), NERR_Success);
    EXPECT_EQ(lookup->asked, (Asked{{logon::kAskedByAdministrator, 0}, {ERROR_LOGON_FAILURE, 1}}));
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
    EXPECT_EQ(servers->passwords.count("srv"), 0u) << "the next call logs on afresh";
}

TEST_F(SmbLogon, AddedOnesAreListedUnderEveryTypeWithWhatKeptThemFromAnswering) {
    std::chrono::milliseconds checkTime{0};
    servers->onCheck = [&] { checkTime = CurrentCall()->Remaining(); };
    servers->reach = {{"127.0.0.1", ERROR_BAD_NETPATH},
                   {"oldnas", WSAHOST_NOT_FOUND},
                   {"127.0.0.2", ERROR_BAD_NETPATH},
                   {"10.0.0.9", ERROR_BAD_NETPATH}};
    servers->unreachable["locked"] = ERROR_ACCESS_DENIED;
    smb::SmbProvider provider(servers);
    smb::SetKnownServers({u"oldnas,127.0.0.2,locked,files"});
    // A found computer that does not answer is no added one: it is left out.
    smb::SetCandidateSource([] { return std::vector<smb::Candidate>{{u"FOUND", "10.0.0.9"}}; });
    testing_support::RecordingSink pane;
    const netenum::ScopedMessageTarget target(&pane);
    EXPECT_EQ(ListedNames(provider, SV_TYPE_NOVELL),
              (std::vector<std::u16string>{u"oldnas", u"127.0.0.2", u"locked"}));
    EXPECT_EQ(testing_support::S(pane.text),
              "oldnas: name not found\r\n127.0.0.2: not answering\r\nlocked: log-on needed\r\n");
    EXPECT_TRUE(lookup->asked.empty()) << "a listing asks nobody";
    // Only waiting for an answer at all is cut short; asking one that answered is not.
    EXPECT_LE(checkTime, smb::SmbProvider::kProbeDeadline);
    EXPECT_GT(askTime, smb::SmbProvider::kProbeDeadline);
}

TEST_F(SmbLogon, FoundComputersAreListedWithTheirAddressesAndNeverTakeOverANamedOne) {
    servers->unreachable = {
        {"127.0.0.1", ERROR_BAD_NETPATH}, {"10.0.0.6", ERROR_LOGON_FAILURE}, {"zeta", ERROR_ACCESS_DENIED}};
    types = {{"10.0.0.9", SV_TYPE_SERVER | SV_TYPE_NT}, {"10.0.0.7", SV_TYPE_WORKSTATION}};
    smb::SetKnownServers({u"alpha,zeta"});
    smb::SmbProvider provider(servers);
    smb::SetCandidateSource([] {
        return std::vector<smb::Candidate>{
            {u"FOUND", "10.0.0.9"},  {u"ALPHA", "10.0.0.8"},          // claims the name of a named one
            {u"", "10.0.0.7"},                                        // no name: its address
            {u"LOCKED", "10.0.0.6"}, {u"AGAIN", "10.0.0.9"},          // one computer per address
            {u"FOUND", "10.0.0.10"}, {u"NOWHERE", "files.example"}};  // not an address
    });
    EXPECT_EQ(ListedNames(provider, SV_TYPE_SERVER),
              (std::vector<std::u16string>{u"alpha", u"zeta", u"FOUND (10.0.0.9)", u"ALPHA (10.0.0.8)",
                                           u"FOUND (10.0.0.10)"}));
    EXPECT_EQ(ListedNames(provider, SV_TYPE_WORKSTATION), (std::vector<std::u16string>{u"zeta", u"10.0.0.7"}));
    // One that refuses to say its type is listed among all servers, to be
    // chosen and logged on to there; a named one under every type.
    const auto all = ListedNames(provider, SV_TYPE_ALL);
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

TEST_F(SmbLogon, OnlyAComputerAskedAndSilentIsMarkedDown) {
    // Of two, one is asked and stays silent, one is never asked before the
    // time runs out; only the first is left alone afterwards.
    servers->reach = {{"127.0.0.1", ERROR_CANCELLED}, {"alpha", ERROR_BAD_NETPATH}, {"zeta", ERROR_CANCELLED}};
    servers->unreachable = {{"127.0.0.1", ERROR_BAD_NETPATH}, {"zeta", ERROR_ACCESS_DENIED}};
    smb::SetKnownServers({u"alpha,zeta"});
    smb::SmbProvider provider(servers);
    // Added computers that cannot tell their type are listed all the same.
    EXPECT_EQ(ListedNames(provider, SV_TYPE_ALL).size(), 2u);
    ServerInfo101 info;
    const std::size_t before = servers->attempts;
    EXPECT_EQ(provider.ServerGetInfo(u"alpha", info), ERROR_BAD_NETPATH);
    EXPECT_EQ(servers->attempts, before);  // remembered as down: not asked again
    EXPECT_EQ(provider.ServerGetInfo(u"zeta", info), ERROR_ACCESS_DENIED);
    EXPECT_GT(servers->attempts, before);  // never asked: asked now

    // A listing given up (Esc) marks nobody.
    smb::SmbProvider again(servers);
    netapi::CallControl call;
    servers->onCheck = [&] { call.abandoned = true; };  // Esc gives up the window's call
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
    for (const char* named : {"127.0.0.1" /* this computer */, "ALPHA", "files.office.test", "10.0.0.5"})
        EXPECT_TRUE(smb::NamedByAdministrator(named)) << named;
    // Found and directory computers, and what a found entry's text points at.
    for (const char* stranger : {"10.0.0.66", "files", "beta.office.test"})
        EXPECT_FALSE(smb::NamedByAdministrator(stranger)) << stranger;
    // A command line's server is named for that run.
    smb::AddTypedServer(u"beta.office.test");
    EXPECT_TRUE(smb::NamedByAdministrator("beta.office.test"));
    smb::SetKnownServers({});
}

}  // namespace
