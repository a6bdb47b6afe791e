// Logging on with a Kerberos ticket to the servers of a real Active Directory
// domain (Samba's DC and a member file server, started by the "domain"
// fixture): no password typed, a server Kerberos cannot serve asks for an
// account instead of going on anonymously, and the command line with a ticket.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "../windows/logon/FakeKeyring.h"
#include "DomainBed.h"
#include "netenum/MessageTarget.h"
#include "netenum/NetBuffer.h"
#include "netenum/colFileEnum.h"
#include "netenum/netapi.h"
#include "smb/SmbProvider.h"
#include "support/ScriptedProvider.h"
#include "support/ScriptedPrompts.h"
#include "windows/logon/DesktopLogon.h"

namespace {

using domain_test::Holder;

class KerberosLive : public domain_test::DomainTest {
protected:
    void SetUp() override {
        DomainTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        previousPrompts = common::SetPrompts(prompts);
        logon::SetLookup(std::make_shared<logon::DesktopLogon>(keyring));
        netenum::SetCurrentForm(&sink);
    }
    void TearDown() override {
        netenum::SetCurrentForm(nullptr);
        netapi::SetProvider(nullptr);
        logon::SetLookup(nullptr);
        if (previousPrompts) common::SetPrompts(previousPrompts);
        DomainTest::TearDown();
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }
    // The provider reads the ticket cache when it is made, as at start-up.
    void StartWithTicket(const std::string& cache) {
        setenv("KRB5CCNAME", cache.c_str(), 1);
        netapi::SetProvider(smb::MakeSmbProvider());
    }
    std::u16string U(const std::string& s) { return std::u16string(s.begin(), s.end()); }

    std::shared_ptr<common::ScriptedPrompts> prompts = std::make_shared<common::ScriptedPrompts>();
    std::shared_ptr<common::Prompts> previousPrompts;
    std::shared_ptr<logon_test::FakeKeyring> keyring = std::make_shared<logon_test::FakeKeyring>();
    testing_support::RecordingSink sink;
};

TEST_F(KerberosLive, AnAddressKerberosCannotServeAsksForAnAccountNeverGoesOnAnonymously) {
    // The administrator added the member by its address (one they did not
    // name would get no account at all, only an anonymous logon).
    smb::SetKnownServers({U(env["member_addr"])});
    StartWithTicket(adminTicket);
    // Cancelled: the refusal stands, it is not an anonymous logon's empty list.
    netenum::colFileEnum refused;
    refused.Init(U(env["member_addr"]));
    ASSERT_EQ(prompts->asked().size(), 1u);
    EXPECT_EQ(prompts->asked()[0].title, QString::fromStdString("Log on to " + env["member_addr"]));
    EXPECT_NE(sink.text.find(u"NetFileEnum error 1326"), std::u16string::npos)
        << testing_support::S(sink.text);

    // The account typed next is used for that address.
    prompts->Clear();
    std::dynamic_pointer_cast<logon::DesktopLogon>(logon::CurrentLookup())->AskAgain();
    prompts->logonAnswers = {common::LogonAnswer{"Administrator",
                                                 QString::fromStdString(env["admin_password"]),
                                                 QString::fromStdString(env["domain"]), false, false}};
    netenum::NetBuffer buffer;
    netapi::DWORD read = 0, total = 0;
    EXPECT_EQ(netapi::NetFileEnum(U(env["member_addr"]).c_str(), nullptr, nullptr, 3, buffer.Out(),
                                  netapi::MAX_PREFERRED_LENGTH, &read, &total, nullptr),
              netapi::NERR_Success);
    EXPECT_EQ(prompts->asked().size(), 1u);
    smb::SetKnownServers({});
}

// The ticket alone lists the member server's open files; the command line
// closes with it and says why without a usable one.
TEST_F(KerberosLive, TheTicketAloneListsAndClosesAndTheCommandLineSaysWhyWithoutAUsableOne) {
    Holder alice(env["member"], env["domain"] + "\\alice", env["user_password"], {"data/notes.txt"});
    ASSERT_TRUE(alice.Ready()) << alice.Failure();
    StartWithTicket(adminTicket);
    netenum::colFileEnum files;
    files.Init(U(env["member"]));
    EXPECT_EQ(sink.text, u"");
    ASSERT_EQ(files.Count(), 1) << testing_support::S(sink.text);
    EXPECT_EQ(files.Item(1).UserName(), U(env["domain"] + "\\alice"));
    EXPECT_NE(files.Item(1).PathName().find(u"notes.txt"), std::u16string::npos);
    EXPECT_TRUE(prompts->asked().empty());  // nobody typed a password

    const std::string line = env["member"] + ",*notes.txt,c";
    const std::string aliceTicket = Kinit("alice", env["user_password"]);
    ASSERT_FALSE(aliceTicket.empty());

    struct Case {
        std::string cache;
        int status;
        std::string output;
    } cases[] = {
        // No ticket at all, and a ticket of a user who is no administrator:
        // the server's refusal, with its advice.
        {"FILE:" + TicketFolder() + "/none", 1, "NetFileEnum error 5 : Access is denied."},
        {aliceTicket, 1, "NetFileEnum error 5 : Access is denied."},
        {adminTicket, 0, ""},
    };
    for (const Case& c : cases) {
        std::string output;
        EXPECT_EQ(domain_test::Run({VANTOR_PROGRAM, line}, "", output,
                                   {{"KRB5CCNAME", c.cache}, {"VANTOR_NETWORK", "smb"}}),
                  c.status)
            << c.cache << ": " << output;
        if (c.output.empty())
            EXPECT_EQ(output, "") << c.cache;
        else
            EXPECT_NE(output.find(c.output), std::string::npos) << c.cache << ": " << output;
    }

    // The file is closed: the listing with the ticket no longer has it.
    std::string listed;
    domain_test::Run({VANTOR_PROGRAM, "--list", "files", "--server", env["member"]}, "", listed,
                     {{"KRB5CCNAME", adminTicket}, {"VANTOR_NETWORK", "smb"}});
    EXPECT_EQ(listed.find("notes.txt"), std::string::npos) << listed;
}

// Without a ticket, the log-on prompt takes a domain account in either of the
// forms Windows users type: DOMAIN\user and user@realm.
TEST_F(KerberosLive, TheDomainLogOnPromptTakesDomainBackslashUserAndUserAtRealm) {
    const std::string dnsDomain = env["dc"].substr(env["dc"].find('.') + 1);
    for (const std::string& typed : {env["domain"] + "\\Administrator",
                                     "Administrator@" + env["realm"], "Administrator@" + dnsDomain}) {
        prompts->Clear();
        logon::SetLookup(std::make_shared<logon::DesktopLogon>(keyring));
        StartWithTicket("FILE:" + TicketFolder() + "/none");
        prompts->logonAnswers = {common::LogonAnswer{QString::fromStdString(typed),
                                                     QString::fromStdString(env["admin_password"]),
                                                     {}, false, false}};
        // Open files: only an administrator may list them, an anonymous logon gets 5.
        netenum::NetBuffer buffer;
        netapi::DWORD read = 0, total = 0;
        EXPECT_EQ(netapi::NetFileEnum(U(env["member"]).c_str(), nullptr, nullptr, 3, buffer.Out(),
                                      netapi::MAX_PREFERRED_LENGTH, &read, &total, nullptr),
                  netapi::NERR_Success)
            << typed;
        EXPECT_EQ(prompts->asked().size(), 1u) << typed;
    }
}

}  // namespace
