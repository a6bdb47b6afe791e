#pragma once
// What the live tests share: the description a fixture script wrote of the
// servers it started, and users holding files open through libsmbclient in a
// helper process (tests/smb/smb_holder.cpp).
#include <gtest/gtest.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// The fixture's folder is named by an environment variable; it holds "env"
// (key=value lines) once the servers run, or "skip" (why they cannot).
struct FixtureRun {
    std::string dir;
    std::map<std::string, std::string> env;
    std::string skip;  // why the live tests skip themselves; empty when they can run
};
FixtureRun ReadFixtureRun(const char* dirVariable);

// The "samba" fixture's smbd as this pass reaches it: directly
// (VANTOR_SAMBA_DIR names the fixture) or through its message-mode relay
// (VANTOR_SAMBA_RELAY_DIR).
struct SambaRun : FixtureRun {
    bool viaRelay = false;
    std::string host;  // 127.0.0.1, or the relay's address
    // Through the relay, a HOME whose client signs nothing (the relay rewrites replies).
    std::string home;
};
const SambaRun& Samba();
// Through the relay, sets HOME to the run's (before the first SMB call:
// libsmbclient reads its configuration once per process).
void UseSambaClientHome();

// A test against the "samba" fixture's server, skipped when it cannot run.
class SambaTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Samba().skip.empty()) GTEST_SKIP() << Samba().skip;
    }
    std::map<std::string, std::string> env = Samba().env;
    const std::string host = Samba().host;  // the server as this pass names it
    const std::string dir = Samba().dir;
};

// The IPv4 address `name` resolves to here (a relay pass checks that a
// server's name leads to its relay); empty when none.
std::string ResolvedAddress(const std::string& name);

// One user holding `paths` open on `host` for as long as the object lives.
class FileHolder {
public:
    FileHolder(const std::string& program, const std::string& host, const std::string& user,
               const std::string& password, const std::vector<std::string>& paths);
    ~FileHolder();
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;

    bool Ready() const { return mReady; }
    const std::string& Failure() const { return mFailure; }
    // Whether the helper can still read file `index` (false once it was closed).
    bool CanRead(std::size_t index);

private:
    void Send(const std::string& s);
    // One line from the helper; empty when it says nothing for 30 s.
    std::string Line();

    pid_t mPid = -1;
    int mIn = -1;
    int mOut = -1;
    bool mReady = false;
    std::string mFailure;
};

}  // namespace testing_support
