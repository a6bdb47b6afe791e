#pragma once
// The desktop's answer to "who logs on to this server": accounts given in
// this run, then the keyring, and when a server still refuses, the log-on
// prompt. A server whose prompt was cancelled is not asked about again until
// the administrator starts something new (AskAgain).
#include <QPointer>
#include <QWidget>
#include <QString>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "Keyring.h"
#include "logon/CredentialLookup.h"

namespace logon {

class DesktopLogon final : public CredentialLookup {
public:
    explicit DesktopLogon(std::shared_ptr<Keyring> keyring, bool mayAsk = true);

    std::optional<Account> Known(const std::string& server) override;
    std::optional<Account> Ask(const std::string& server, std::uint32_t status,
                               int attempt) override;
    void Accepted(const std::string& server, const Account& account) override;
    void Refused(const std::string& server) override;

    void AskAgain() override { mDeclined.clear(); }
    void HoldAsking(bool held) override { mHeld += held ? 1 : -1; }
    void Forget(const std::string& server) override;
    void LacksRight(const std::string& server, std::uint32_t status) override;
    // What the log-on prompt is shown over when no window of the program is
    // active (the main window, before it first shows); null: nothing.
    void SetFallbackParent(QWidget* parent) { mFallbackParent = parent; }

    // Keyring keys: a server as the administrator wrote it; an account shared
    // by the servers of one DNS domain ("domain/OFFICE.EXAMPLE").
    static QString ServerKey(const std::string& server);
    static QString DomainKey(const std::string& dnsDomain);

private:
    struct Wish {
        std::string user;    // offered again if the server refuses
        std::string domain;
        bool remember = false;
        bool allInDomain = false;
    };
    std::optional<Account> FromKeyring(const std::string& server);

    std::shared_ptr<Keyring> mKeyring;
    bool mMayAsk;
    QPointer<QWidget> mFallbackParent;
    std::map<std::string, Account> mAccounts;        // per server (upper case), this run
    std::map<std::string, Account> mDomainAccounts;  // per DNS domain (upper case), this run
    std::map<std::string, Wish> mWishes;             // what the prompt asked for, until accepted
    std::set<std::string> mRefused;                  // known accounts the server refused
    std::set<std::string> mDeclined;                 // prompts cancelled
    std::set<std::string> mKeyringRead;              // asked the keyring already this run
    bool mDomainsRead = false;
    int mHeld = 0;  // HoldAsking depth
};

// Installed by the program: asks through the prompts when `mayAsk`, and
// reads the keyring. Returns the installed object.
std::shared_ptr<DesktopLogon> InstallDesktopLogon(bool mayAsk);

}  // namespace logon
