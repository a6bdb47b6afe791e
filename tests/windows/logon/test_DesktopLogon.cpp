// The desktop's lookup: what it knows without asking, when it asks, what it
// keeps for the run and in the keyring, and that a cancel is not asked again
// until the administrator starts something new.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <memory>

#include "FakeKeyring.h"
#include "netenum/MessageTarget.h"
#include "support/ScriptedProvider.h"
#include "support/ScriptedPrompts.h"
#include "windows/common/Settings.h"
#include "windows/logon/DesktopLogon.h"

using common::LogonAnswer;
using logon::DesktopLogon;

namespace {

LogonAnswer Typed(const char* user, const char* password, const char* domain = "",
                  bool remember = false, bool allInDomain = false) {
    return {user, password, domain, remember, allInDomain};
}

class DesktopLogonTest : public ::testing::Test {
protected:
    void SetUp() override {
        common::SaveSetting("Vantor", "Network", "LogonDomains", "");
        common::SaveSetting("Vantor", "Network", "RememberLogon", "");
    }
    std::unique_ptr<DesktopLogon> NewRun(bool mayAsk = true) {
        return std::make_unique<DesktopLogon>(keyring, mayAsk);
    }

    common::PromptsScope prompts;
    std::shared_ptr<logon_test::FakeKeyring> keyring = std::make_shared<logon_test::FakeKeyring>();
};

TEST_F(DesktopLogonTest, AnAcceptedAccountIsKnownForTheRunAndOnlyRememberedOnesNextRun) {
    auto run = NewRun();
    prompts->logonAnswers = {Typed("OFFICE\\ann", "s3cret")};
    const auto account = run->Ask("files", 1326, 0);
    ASSERT_TRUE(account);
    EXPECT_EQ(account->user, "ann");  // "DOMAIN\user" split
    EXPECT_EQ(account->domain, "OFFICE");
    ASSERT_EQ(prompts->asked().size(), 1u);
    EXPECT_EQ(prompts->asked()[0].title, "Log on to files");
    EXPECT_EQ(prompts->asked()[0].text,
              "files refused the logon: The user name or password is incorrect.");
    // Not known before the server took it; known (any letter case) after.
    EXPECT_FALSE(run->Known("files").has_value());
    run->Accepted("files", *account);
    ASSERT_TRUE(run->Known("FILES"));
    EXPECT_EQ(run->Known("FILES")->password, "s3cret");
    EXPECT_TRUE(keyring->entries.empty());  // the box was not checked

    prompts->logonAnswers = {Typed("bob", "pw", "", true)};
    run->Accepted("print", *run->Ask("print", 5, 0));
    EXPECT_EQ(keyring->entries.count("server/PRINT"), 1u);

    auto next = NewRun();
    EXPECT_FALSE(next->Known("files").has_value());
    ASSERT_TRUE(next->Known("print"));
    EXPECT_EQ(next->Known("print")->password, "pw");
    // The box starts as it was left.
    next->Ask("other", 1326, 0);
    EXPECT_TRUE(prompts->logonRequests.back().remember);

    // Without a keyring the box is greyed and nothing is kept.
    keyring->entries.clear();
    keyring->available = false;
    prompts->logonAnswers = {Typed("ann", "pw", "", true)};
    auto third = NewRun();
    third->Accepted("files", *third->Ask("files", 1326, 0));
    EXPECT_FALSE(prompts->logonRequests.back().keyringAvailable);
    EXPECT_TRUE(keyring->entries.empty());
}

TEST_F(DesktopLogonTest, ACancelIsNotAskedAgainUntilTheAdministratorStartsSomethingNew) {
    // The command line never asks.
    EXPECT_FALSE(NewRun(false)->Ask("files", 1326, 0).has_value());
    EXPECT_TRUE(prompts->asked().empty());

    auto run = NewRun();
    EXPECT_FALSE(run->Ask("files", 5, 0).has_value());
    EXPECT_FALSE(run->Ask("files", 5, 0).has_value());
    EXPECT_EQ(prompts->asked().size(), 1u);
    EXPECT_TRUE(prompts->asked()[0].text.startsWith("files refused: Access is denied."));
    EXPECT_FALSE(prompts->asked()[0].text.contains("password goes"));
    // Another server is still asked about; an address is said to be where the password goes.
    EXPECT_FALSE(run->Ask("10.213.77.1", 5, 0).has_value());
    ASSERT_EQ(prompts->asked().size(), 2u);
    EXPECT_EQ(prompts->asked()[1].title, "Log on to 10.213.77.1");
    EXPECT_TRUE(prompts->asked()[1].text.endsWith("The password goes to the computer at 10.213.77.1."));
    run->AskAgain();
    prompts->logonAnswers = {Typed("ann", "x")};
    EXPECT_TRUE(run->Ask("files", 5, 0).has_value());
    // A second try after a wrong password says so.
    prompts->logonAnswers = {Typed("ann", "y")};
    run->Ask("files", 1326, 1);
    EXPECT_EQ(prompts->asked().back().text,
              "The user name or password is incorrect. Try again.");
    // What was typed last is offered again, all but the password.
    EXPECT_EQ(prompts->logonRequests.back().user, "ann");
    // An empty user name counts as a cancel.
    prompts->logonAnswers = {Typed("", "pw")};
    EXPECT_FALSE(run->Ask("print", 1326, 0).has_value());
}

TEST_F(DesktopLogonTest, ADomainAccountServesOnlyServersNamedInsideItsDnsDomain) {
    auto run = NewRun();
    prompts->logonAnswers = {Typed("ann", "pw", "OFFICE", true, true)};
    run->Accepted("files.office.example", *run->Ask("files.office.example", 1326, 0));
    EXPECT_EQ(keyring->entries.count("domain/OFFICE.EXAMPLE"), 1u);
    EXPECT_EQ(common::GetSetting("Vantor", "Network", "LogonDomains"), "OFFICE.EXAMPLE");
    ASSERT_TRUE(run->Known("print.Office.Example."));
    EXPECT_EQ(run->Known("print.office.example")->user, "ann");
    // Not to a bare name or an address nobody can place, nor to another
    // domain that merely ends alike.
    for (const char* stranger : {"print", "10.0.0.5", "fe80::5", "office.example", "x.evil-office.example",
                                 "office.example.evil.test"})
        EXPECT_FALSE(run->Known(stranger).has_value()) << stranger;

    // The next start finds it through the domains list; the password is not in the settings.
    auto next = NewRun();
    ASSERT_TRUE(next->Known("backup.office.example"));
    EXPECT_EQ(next->Known("backup.office.example")->domain, "OFFICE");
    next->Refused("backup.office.example");
    EXPECT_FALSE(next->Known("backup.office.example").has_value());
    EXPECT_TRUE(next->Known("print.office.example").has_value());

    // A domain typed by its DNS name serves that; a NetBIOS domain given for
    // a bare name or an address has no DNS domain to stay in: that server only.
    prompts->logonAnswers = {Typed("bob", "pw2", "branch.example", false, true),
                             Typed("carl", "pw3", "LAB", true, true)};
    run->Accepted("10.1.1.1", *run->Ask("10.1.1.1", 1326, 0));
    EXPECT_EQ(run->Known("nas.branch.example")->user, "bob");
    run->Accepted("nas", *run->Ask("nas", 1326, 0));
    EXPECT_EQ(run->Known("nas")->user, "carl");
    EXPECT_FALSE(run->Known("other").has_value());
    EXPECT_EQ(keyring->entries.count("server/NAS"), 1u);

    // An entry kept by a NetBIOS name before serves nobody.
    keyring->Write("domain/OLD", {"old", "pw", "OLD"});
    common::SaveSetting("Vantor", "Network", "LogonDomains", "OLD,OFFICE.EXAMPLE");
    auto third = NewRun();
    EXPECT_FALSE(third->Known("files.old").has_value());
    EXPECT_TRUE(third->Known("files.office.example").has_value());
}

TEST_F(DesktopLogonTest, APasswordHeldKeepsTheProcessOutOfCoreDumps) {
    keyring->Write("server/FILES", {"ann", "pw", ""});
    prompts->logonAnswers = {Typed("ann", "pw")};
    // Read from the keyring, then typed: each in a fresh process.
    for (const bool typed : {false, true}) {
        EXPECT_EXIT(
            {
                prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);  // as a fresh process starts
                auto run = NewRun(typed);
                const bool held = typed ? run->Ask("print", 1326, 0).has_value() : run->Known("files").has_value();
                _exit(held && prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0 ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << (typed ? "typed" : "from the keyring");
    }
}

TEST_F(DesktopLogonTest, ForgetDropsTheAccountEverywhereARightLackingIsSaidAndHeldAsksNobody) {
    auto run = NewRun();
    prompts->logonAnswers = {Typed("ann", "pw", "", true)};
    run->Accepted("files", *run->Ask("files", logon::kAskedByAdministrator, 0));
    EXPECT_EQ(prompts->asked().back().text, "The account to use for files.");
    ASSERT_EQ(keyring->entries.count("server/FILES"), 1u);
    run->Forget("FILES");
    EXPECT_FALSE(run->Known("files").has_value());
    EXPECT_TRUE(keyring->entries.empty());

    // A right the account lacks is said in the pane (by the window program only).
    testing_support::RecordingSink pane;
    const netenum::ScopedMessageTarget target(&pane);
    prompts->logonAnswers = {Typed("ann", "pw")};
    run->Accepted("files", *run->Ask("files", 5, 0));
    const std::size_t asked = prompts->asked().size();
    run->LacksRight("files", 5);
    NewRun(false)->LacksRight("files", 5);
    EXPECT_EQ(testing_support::S(pane.text),
              "The account ann is logged on to files but lacks the right to do this. To use "
              "another account, choose Computers > Log On As...\r\n");
    EXPECT_EQ(prompts->asked().size(), asked);

    // While held nobody is asked, and that is no cancel: asked again once free.
    run->HoldAsking(true);
    EXPECT_FALSE(run->Ask("print", 5, 0).has_value());
    run->HoldAsking(false);
    EXPECT_EQ(prompts->asked().size(), asked);
    prompts->logonAnswers = {Typed("bob", "x")};
    EXPECT_TRUE(run->Ask("print", 5, 0).has_value());
}

}  // namespace
