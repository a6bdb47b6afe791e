#pragma once
// Who the SMB provider logs on as: the user's Kerberos ticket when there is
// a live one, otherwise the auth file named by VANTOR_SMB_AUTHFILE (smbclient's format:
// "username = ", "password = ", "domain = " lines). The file is refused
// unless only its owner can read it. The password lives only here, is wiped
// when the object goes, and is never written anywhere.
#include <string>

#include "logon/Account.h"

namespace smb {

class SmbCredentials final {
public:
    SmbCredentials() = default;
    ~SmbCredentials();
    SmbCredentials(const SmbCredentials& other) = default;
    SmbCredentials& operator=(const SmbCredentials& other) = default;

    // Reads the environment: the Kerberos library's default ticket cache
    // (KRB5CCNAME or krb5.conf's default), then VANTOR_SMB_AUTHFILE.
    static SmbCredentials FromEnvironment();

    // Loads an auth file; false with a reason in Problem() when it is missing,
    // unreadable, not a regular file, not ours, or open to others.
    bool LoadAuthFile(const std::string& path);

    // Whether the ticket cache the Kerberos library named (its full name,
    // "FILE:/tmp/krb5cc_0", "DIR::/run/user/0/krb5cc/tkt", "KEYRING:...")
    // belongs to `uid` alone. A file cache in a shared folder such as /tmp
    // could have been planted by another user; caches the system keeps per
    // user (KEYRING:, KCM:) are.
    static bool CacheIsOurs(const std::string& fullName, unsigned uid);

    // Logs on as `account` instead of the auth file's user; a ticket cache
    // is still tried first. `source` says where the account came from, in
    // words ("the keyring's account").
    void UseAccount(const logon::Account& account, std::string source = "the account given");

    // The same logon with no password at all: the ticket when there is one
    // and `host` is a name (a ticket cannot vouch for an address), otherwise
    // anonymous. For computers nobody named.
    SmbCredentials WithoutPassword(const std::string& host) const;

    // In words, what a logon with these credentials tries, without any
    // secret: "the Kerberos ticket of ann@OFFICE.TEST, then the auth file's
    // account OFFICE\ann" or "no account (anonymous)".
    std::string Describe() const;

    const std::string& User() const { return mUser; }
    const std::string& Password() const { return mPassword; }
    const std::string& Domain() const { return mDomain; }
    bool UseKerberos() const { return mKerberos; }
    // The ticket's principal ("Administrator@OFFICE.TEST") when UseKerberos().
    const std::string& Principal() const { return mPrincipal; }
    bool HasPassword() const { return mHasPassword; }
    // Why the auth file was refused; empty when it was not.
    const std::string& Problem() const { return mProblem; }

private:
    std::string mUser;
    std::string mPassword;
    std::string mDomain;
    std::string mProblem;
    std::string mPrincipal;
    std::string mSource;  // where the password came from, in words
    bool mKerberos = false;
    bool mHasPassword = false;
};

}  // namespace smb
