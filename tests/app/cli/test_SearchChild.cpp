// The child a search starts on the real network: which account it is given.
#include <gtest/gtest.h>

#include "app/NetworkChoice.h"
#include "app/cli/SearchChild.h"
#include "netenum/Provider.h"

namespace {

// Knows an account for every server, and notes whom it was asked about.
class EveryServer final : public logon::CredentialLookup {
public:
    std::optional<logon::Account> Known(const std::string& server) override {
        asked.push_back(server);
        return logon::Account("admin", "secret", "LAB");
    }
    std::optional<logon::Account> Ask(const std::string&, std::uint32_t, int) override { return {}; }
    void Accepted(const std::string&, const logon::Account&) override {}
    void Refused(const std::string&) override {}
    std::vector<std::string> asked;
};

TEST(SearchChildProgram, AnAccountGoesOnlyToAComputerTheAdministratorNamed) {
    std::string error;
    if (!app::ChooseNetwork("smb", error)) GTEST_SKIP() << error;
    app::NameTypedServers({u"files1"});
    auto lookup = std::make_shared<EveryServer>();
    const search::ChildProgram program = app::SearchChildProgram("/usr/bin/vantor", lookup);
    EXPECT_EQ(program.path, "/usr/bin/vantor");
    EXPECT_EQ(program.arguments, std::vector<std::string>{std::string(app::kSearchChildOption)});

    const auto named = program.accountFor(u"\\\\FILES1");
    ASSERT_TRUE(named.has_value());
    EXPECT_EQ(named->password, "secret");
    // Found on the network, not named: asked without a password, and the
    // keyring is not even consulted for it.
    EXPECT_FALSE(program.accountFor(u"FOUND2").has_value());
    EXPECT_FALSE(program.accountFor(u"10.9.8.7").has_value());
    EXPECT_EQ(lookup->asked.size(), 1u);
    netapi::SetProvider(nullptr);
}

}  // namespace
