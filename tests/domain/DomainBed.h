#pragma once
// What the live domain tests share: the domain the "domain" fixture started
// (tests/domain/domain-controller), tickets got with kinit, users holding
// files open on the member server, and samba-tool's view of an account.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/LiveFixture.h"
#include "support/ProgramRun.h"

namespace domain_test {

// Runs `argv` (argv[0] a path or a name on PATH) with `input` on its standard
// input; returns its exit status and puts its output (stdout and stderr) in `output`.
inline int Run(const std::vector<std::string>& argv, const std::string& input, std::string& output,
               const std::map<std::string, std::string>& env = {}) {
    const auto run = testing_support::RunProgram(argv[0], {argv.begin() + 1, argv.end()}, env, {}, "", input);
    output = run.out + run.err;
    return run.status;
}

// A live domain test: the domain's `env` and its administrator's ticket, or
// the test skipped when there is no domain.
class DomainTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A ticket cache of the test's own for `principal`, got with kinit (the
    // password on standard input); its name ("FILE:...") or empty when kinit failed.
    std::string Kinit(const std::string& principal, const std::string& password);
    // The folder the caches are in.
    const std::string& TicketFolder() const { return mFolder; }

    std::map<std::string, std::string> env;
    std::string adminTicket;

private:
    std::string mFolder;
    int mTickets = 0;
};

class Holder final : public testing_support::FileHolder {
public:
    Holder(const std::string& host, const std::string& user, const std::string& password,
           const std::vector<std::string>& paths)
        : FileHolder(VANTOR_SMB_HOLDER, host, user, password, paths) {}
};

// The account's userAccountControl as the domain controller's database holds it.
long AccountControl(const std::map<std::string, std::string>& env, const std::string& user);

}  // namespace domain_test
