#pragma once
// Several live file servers at once (tests/app/cli/allcomputers-bed): three
// smbds, each in a network namespace of its own, and a black hole, reached
// from the client namespace the tests run in. What a test needs of them:
// their names, who holds what open according to each server itself
// (smbstatus), and users holding files open.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "LiveFixture.h"

namespace testing_support {

struct BedServer {
    std::string name;     // as the client's hosts file gives it (to the relay, in a relay pass)
    std::string address;  // the smbd itself
    std::string conf;     // its smb.conf, for smbstatus
    std::string relay;    // the relay in front of it, when the bed has relays
};

// (path as the server's file list gives it, user), and (user, client address).
using PathAndUser = std::pair<std::string, std::string>;
using UserAndClient = std::pair<std::string, std::string>;

struct AllComputersBed {
    std::string skip;  // why the tests skip themselves; empty when they can run
    bool viaRelay = false;
    std::vector<BedServer> servers;
    std::string hole;       // the black hole's name
    std::string adminAuth;  // the servers' administrator, in smbclient's auth-file format
    std::vector<std::string> users;

    // The bed the test runs in (VANTOR_ALL_DIR, VANTOR_ALL_RELAY).
    static const AllComputersBed& Get();

    // The files the server holds open, sorted, as srvsvc gives their paths ("C:\dir\name").
    std::vector<PathAndUser> OpenFiles(const BedServer& server) const;
    // Its sessions, sorted.
    std::vector<UserAndClient> Sessions(const BedServer& server) const;
    // Waits (a few seconds at most) until no bed user holds anything on any
    // server: what an earlier test held is gone. False when something stayed.
    bool WaitUntilIdle() const;
    // `user` (one of `users`) holding `paths` ("docs/NAME") open on `server`,
    // through `holder` (tests/smb/smb_holder.cpp).
    std::unique_ptr<FileHolder> Hold(const std::string& holder, const BedServer& server,
                                     const std::string& user,
                                     const std::vector<std::string>& paths) const;

private:
    std::string UserName(const std::string& uid) const;
    // `smbstatus -s CONF WHAT --json`; an empty object when it gave none.
    nlohmann::json Status(const BedServer& server, const char* what) const;

    FixtureRun mRun;
};

}  // namespace testing_support
