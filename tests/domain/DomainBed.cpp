#include "DomainBed.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace domain_test {

std::map<std::string, std::string> DomainEnv(std::string& skip) {
    testing_support::FixtureRun run = testing_support::ReadFixtureRun("VANTOR_DOMAIN_DIR");
    skip = run.skip;
    // Through the relay, FILES1's address is the relay's.
    if (std::getenv("VANTOR_DOMAIN_RELAY") != nullptr && skip.empty()) run.env["member_addr"] = run.env["relay_addr"];
    return run.env;
}

int Run(const std::vector<std::string>& argv, const std::string& input, std::string& output,
        const std::map<std::string, std::string>& env) {
    output.clear();
    int in[2], out[2];
    if (pipe(in) != 0) return -1;
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(in[1]);
        close(out[0]);
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (!input.empty()) (void)!write(in[1], input.data(), input.size());
    close(in[1]);
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void DomainTest::SetUp() {
    std::string skip;
    env = DomainEnv(skip);
    if (!skip.empty()) GTEST_SKIP() << skip;
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
