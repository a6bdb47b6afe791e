#include "DomainBed.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace domain_test {

void DomainTest::SetUp() {
    const testing_support::FixtureRun run = testing_support::ReadFixtureRun("VANTOR_DOMAIN_DIR");
    if (!run.skip.empty()) GTEST_SKIP() << run.skip;
    env = run.env;
    // Through the relay (VANTOR_DOMAIN_RELAY: the fixture's exec step leads
    // FILES1's names there), FILES1's address is the relay's.
    if (std::getenv("VANTOR_DOMAIN_RELAY") != nullptr) env["member_addr"] = env["relay_addr"];
    // A relay pass that reached FILES1 directly would prove nothing.
    ASSERT_EQ(testing_support::ResolvedAddress(env["member"]), env["member_addr"]) << "where " << env["member"] << " leads";
    char pattern[] = "/tmp/vantor-krb-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mFolder = pattern;
    adminTicket = Kinit("Administrator", env["admin_password"]);
    ASSERT_FALSE(adminTicket.empty()) << "kinit failed";
    unsetenv("VANTOR_SMB_AUTHFILE");
}

void DomainTest::TearDown() {
    unsetenv("KRB5CCNAME");
    if (!mFolder.empty()) std::filesystem::remove_all(mFolder);
}

std::string DomainTest::Kinit(const std::string& principal, const std::string& password) {
    const std::string cache = "FILE:" + mFolder + "/krb5cc_" + std::to_string(++mTickets);
    std::string output;
    if (domain_test::Run({"kinit", principal}, password + "\n", output, {{"KRB5CCNAME", cache}}) != 0)
        return {};
    return cache;
}

long AccountControl(const std::map<std::string, std::string>& env, const std::string& user) {
    std::string output;
    if (Run({"samba-tool", "user", "show", user, "-H", env.at("sam"),
             "--attributes=userAccountControl"},
            "", output) != 0)
        return -1;
    const std::string key = "userAccountControl: ";
    const auto at = output.find(key);
    return at == std::string::npos ? -1 : std::strtol(output.c_str() + at + key.size(), nullptr, 10);
}

}  // namespace domain_test
