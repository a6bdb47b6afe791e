#pragma once
// A user account to log on to servers with. The password is wiped when the
// object goes; it is never written to settings, logs, the pane or argv.
#include <string>

namespace logon {

struct Account {
    std::string user;
    std::string password;
    std::string domain;

    Account() = default;
    Account(std::string u, std::string p, std::string d)
        : user(std::move(u)), password(std::move(p)), domain(std::move(d)) {}
    Account(const Account&) = default;
    Account& operator=(const Account&) = default;
    ~Account();
};

// Overwrites the characters before releasing them.
void Wipe(std::string& secret);

}  // namespace logon
