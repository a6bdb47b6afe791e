// The desktop's lookup: what it knows without asking, when it asks, what it
// keeps for the run and in the keyring, and that a cancel is not asked again
// until the administrator starts something new.
#include <gtest/gtest.h>

#include <memory>

#include "FakeKeyring.h"
#include "logon/desktop/DesktopLogon.h"
#include "netenum/MessageTarget.h"
#include "support/ScriptedProvider.h"
#include "support/ScriptedPrompts.h"
#include "windows/common/Settings.h"

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
        previous = common::SetPrompts(prompts);
        common::SaveSetting("Vantor", "Network", "LogonDomains", "");
        common::SaveSetting("Vantor", "Network", "RememberLogon", "");
    }
    void TearDown() override { common::SetPrompts(previous); }
    std::unique_ptr<DesktopLogon> NewRun(bool mayAsk = true) {
        return std::make_unique<DesktopLogon>(keyring, mayAsk);
    }

    std::shared_ptr<common::ScriptedPrompts> prompts = std::make_shared<common::ScriptedPrompts>();
    std::shared_ptr<common::Prompts> previous;
    std::shared_ptr<logon_test::FakeKeyring> keyring = std::make_shared<logon_test::FakeKeyring>();
};

TEST_F(DesktopLogonTest, AnAcceptedAccountIsKnownForTheRunAndOnlyRememberedOnesNextRun) {
    auto run = NewRun();
    EXPECT_FALSE(run->Known("files").has_value());
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
}

TEST_F(DesktopLogonTest, ACancelIsNotAskedAgainUntilTheAdministratorStartsSomethingNew) {
    auto run = NewRun();
    EXPECT_FALSE(run->Ask("files", 5, 0).has_value());
    EXPECT_FALSE(run->Ask("files", 5, 0).has_value());
    EXPECT_EQ(prompts->asked().size(), 1u);
    EXPECT_TRUE(prompts->asked()[0].text.startsWith("files refused: Access is denied."));
    // Another server is still asked about.
    EXPECT_FALSE(run->Ask("print", 5, 0).has_value());
    EXPECT_EQ(prompts->asked().size(), 2u);
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
}

TEST_F(DesktopLogonTest, ADomainAccountServesOtherServersAndARefusalIsNotOfferedAgain) {
    auto run = NewRun();
    prompts->logonAnswers = {Typed("ann", "pw", "OFFICE", true, true)};
    run->Accepted("files", *run->Ask("files", 1326, 0));
    EXPECT_EQ(keyring->entries.count("domain/OFFICE"), 1u);
    EXPECT_EQ(common::GetSetting("Vantor", "Network", "LogonDomains"), "OFFICE");
    ASSERT_TRUE(run->Known("print"));
    EXPECT_EQ(run->Known("print")->user, "ann");

    // The next start finds it through the domains list; the password is not in the settings.
    auto next = NewRun();
    ASSERT_TRUE(next->Known("backup"));
    EXPECT_EQ(next->Known("backup")->domain, "OFFICE");
    next->Refused("backup");
    EXPECT_FALSE(next->Known("backup").has_value());
    EXPECT_TRUE(next->Known("print").has_value());
}

TEST_F(DesktopLogonTest, TheCommandLineNeverAsksAndAMissingKeyringGreysTheBox) {
    auto quiet = NewRun(false);
    EXPECT_FALSE(quiet->Ask("files", 1326, 0).has_value());
    EXPECT_TRUE(prompts->asked().empty());

    keyring->available = false;
    auto run = NewRun();
    prompts->logonAnswers = {Typed("ann", "pw", "", true)};
    run->Accepted("files", *run->Ask("files", 1326, 0));
    EXPECT_FALSE(prompts->logonRequests.back().keyringAvailable);
    EXPECT_TRUE(keyring->entries.empty());
    // An empty user name counts as a cancel.
    prompts->logonAnswers = {Typed("", "pw")};
    EXPECT_FALSE(run->Ask("print", 1326, 0).has_value());
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
    EXPECT_FALSE(NewRun()->Known("files").has_value());

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
