#pragma once
// The one seam between the network and whoever knows passwords. The SMB
// provider asks it; the desktop answers from what was remembered in this run,
// from the keyring, or by asking the person at the screen. The order the
// provider uses them in: a Kerberos ticket, then Known, then the auth file,
// then Ask.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Account.h"

namespace logon {

class CredentialLookup {
public:
    virtual ~CredentialLookup() = default;

    // An account for `server` without asking anyone: remembered in this run
    // or stored in the keyring (for the server or for all servers of a domain).
    virtual std::optional<Account> Known(const std::string& server) = 0;

    // Asks for an account after `server` answered `status` (5 or 1326).
    // `attempt` counts from 0 for one failed call. Nothing when the person
    // cancelled, or when no one can be asked (the command-line mode).
    virtual std::optional<Account> Ask(const std::string& server, std::uint32_t status,
                                       int attempt) = 0;

    // The server took the account that Ask gave: keep it for the run (and
    // where the person asked it to be kept).
    virtual void Accepted(const std::string& server, const Account& account) = 0;

    // The server refused what Known gave: it is not offered again this run.
    virtual void Refused(const std::string& server) = 0;

    // The administrator started something new: servers whose prompt was
    // cancelled may be asked about again.
    virtual void AskAgain() {}

    // While held, Ask asks nobody (work the administrator did not start, such
    // as the start-up's summary of this computer).
    virtual void HoldAsking(bool held) { (void)held; }

    // The administrator dropped the account of `server`: from this run, and
    // from wherever it was kept for the next.
    virtual void Forget(const std::string& server) { (void)server; }

    // An account that logged on to `server` was refused one operation
    // (`status`, 5): asking to log on again would not help; the person is
    // told that the account lacks the right instead.
    virtual void LacksRight(const std::string& server, std::uint32_t status) {
        (void)server;
        (void)status;
    }
};

// One account for one server, known without asking anyone: what a process
// that asks a single server on the program's behalf is given. Any other
// server gets nothing from it (server keys compared ignoring letter case).
class OneAccount final : public CredentialLookup {
public:
    OneAccount(std::string server, Account account)
        : mServer(std::move(server)), mAccount(std::move(account)) {}
    std::optional<Account> Known(const std::string& server) override;
    std::optional<Account> Ask(const std::string&, std::uint32_t, int) override { return std::nullopt; }
    void Accepted(const std::string&, const Account&) override {}
    void Refused(const std::string&) override {}

private:
    std::string mServer;
    Account mAccount;
};

// Nobody is asked to log on while one of these lives.
class AskingHeld final {
public:
    AskingHeld();
    ~AskingHeld();
    AskingHeld(const AskingHeld&) = delete;
    AskingHeld& operator=(const AskingHeld&) = delete;

private:
    std::shared_ptr<CredentialLookup> mLookup;
};

// The status Ask gets when the administrator asked to log on ("Log On As"),
// not a server's refusal.
constexpr std::uint32_t kAskedByAdministrator = 0;

// The lookup the SMB provider asks; none by default (then only the ticket
// and the auth file are used, and nobody is asked).
std::shared_ptr<CredentialLookup> CurrentLookup();
std::shared_ptr<CredentialLookup> SetLookup(std::shared_ptr<CredentialLookup> lookup);

// This process holds a password from now on: no core dump, and no ptrace by
// other processes of the same user, may show it. Called wherever one comes
// in (auth file, keyring, log-on prompt); it cannot be undone.
void ProtectSecrets();

// 5 (access denied) and 1326 (logon failure): the answers that a different
// account could change.
constexpr bool IsLogonRefusal(std::uint32_t status) { return status == 5 || status == 1326; }

}  // namespace logon
