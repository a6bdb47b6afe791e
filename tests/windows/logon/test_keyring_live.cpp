// The real keyring (gnome-keyring's Secret Service in a D-Bus session of the
// test's own, see keyring-session): what one run stores, the next reads.
#include <gtest/gtest.h>

#include <memory>

#include "support/ScriptedPrompts.h"
#include "windows/logon/DesktopLogon.h"

namespace {

TEST(KeyringLive, AnAccountRoundTripsAndARememberedLogonIsReadNextStart) {
    logon::QtKeyring keyring;
    const logon::Account account{"ann", "p\xc3\xa4ss word\nline", "OFFICE"};
    ASSERT_TRUE(keyring.Write("test/roundtrip", account)) << "no Secret Service answered";
    const auto back = keyring.Read("test/roundtrip");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->user, "ann");
    EXPECT_EQ(back->password, account.password);
    EXPECT_EQ(back->domain, "OFFICE");
    EXPECT_TRUE(keyring.Remove("test/roundtrip"));
    EXPECT_FALSE(keyring.Read("test/roundtrip").has_value());
    EXPECT_TRUE(keyring.Available());

    auto prompts = std::make_shared<common::ScriptedPrompts>();
    const auto previous = common::SetPrompts(prompts);
    prompts->logonAnswers = {common::LogonAnswer{"bob", "secret-1", "", true, false}};
    {
        logon::DesktopLogon firstRun(std::make_shared<logon::QtKeyring>());
        const auto given = firstRun.Ask("files.example", 1326, 0);
        ASSERT_TRUE(given);
        firstRun.Accepted("files.example", *given);
    }
    logon::DesktopLogon nextRun(std::make_shared<logon::QtKeyring>());
    const auto known = nextRun.Known("FILES.EXAMPLE");
    ASSERT_TRUE(known);
    EXPECT_EQ(known->user, "bob");
    EXPECT_EQ(known->password, "secret-1");
    common::SetPrompts(previous);
}

}  // namespace
