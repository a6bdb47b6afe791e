#pragma once
// What the live domain tests share: the domain the "domain" fixture started
// (tests/domain/domain-controller), tickets got with kinit, users holding
// files open on the member server, and samba-tool's view of an account.
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace domain_test {

// DIR/env of the running domain; empty with `skip` set when there is none.
std::map<std::string, std::string> DomainEnv(std::string& skip);

// Runs `argv` (argv[0] a path or a name on PATH) with `input` on its standard
// input; returns its exit status and puts its output (stdout and stderr) in `output`.
int Run(const std::vector<std::string>& argv, const std::string& input, std::string& output,
        const std::map<std::string, std::string>& env = {});

// A ticket cache of its own for `principal`, got with kinit (the password on
// standard input); its name ("FILE:...") or empty when kinit failed.
std::string Kinit(const std::string& principal, const std::string& password,
                  const std::string& folder);

// One domain user holding files open on `host` through libsmbclient, in a
// helper process (a session on that server for as long as it lives).
class Holder final {
public:
    Holder(const std::string& host, const std::string& user, const std::string& password,
           const std::vector<std::string>& paths);
    ~Holder();
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    bool Ready() const { return mReady; }
    const std::string& Failure() const { return mFailure; }

private:
    pid_t mPid = -1;
    int mIn = -1;
    bool mReady = false;
    std::string mFailure;
};

// The account's userAccountControl as the domain controller's database holds it.
long AccountControl(const std::map<std::string, std::string>& env, const std::string& user);

}  // namespace domain_test
