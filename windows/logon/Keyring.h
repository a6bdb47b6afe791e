#pragma once
// The desktop's keyring (Secret Service or KWallet, through QtKeychain):
// secrets stored under the service "Vantor" and a key per server or domain.
#include <QString>
#include <optional>

#include "logon/Account.h"

namespace logon {

class Keyring {
public:
    virtual ~Keyring() = default;
    // Nothing when there is no entry or no keyring answers.
    virtual std::optional<Account> Read(const QString& key) = 0;
    virtual bool Write(const QString& key, const Account& account) = 0;
    virtual bool Remove(const QString& key) = 0;
    // False once the keyring was found missing; the log-on prompt then greys
    // its "Remember" box.
    virtual bool Available() const = 0;
};

// QtKeychain, never falling back to a plain-text file. Each job runs in a
// local event loop (as a modal box does) until the keyring answers.
class QtKeyring final : public Keyring {
public:
    std::optional<Account> Read(const QString& key) override;
    bool Write(const QString& key, const Account& account) override;
    bool Remove(const QString& key) override;
    bool Available() const override { return mAvailable; }

private:
    bool mAvailable = true;
};

// The stored form: user, domain and password separated by NUL characters.
QByteArray PackAccount(const Account& account);
std::optional<Account> UnpackAccount(const QByteArray& packed);

}  // namespace logon
