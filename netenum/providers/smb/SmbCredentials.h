#pragma once
// Who the SMB provider logs on as: a Kerberos ticket cache when one exists,
// otherwise the auth file named by VANTOR_SMB_AUTHFILE (smbclient's format:
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

    // Reads the environment: KRB5CCNAME or the default ticket cache, then
    // VANTOR_SMB_AUTHFILE.
    static SmbCredentials FromEnvironment();

    // Loads an auth file; false with a reason in Problem() when it is missing,
    // unreadable, not a regular file, not ours, or open to others.
    bool LoadAuthFile(const std::string& path);

    // Whether a Kerberos ticket cache can be used, judged from `ccname` (the
    // value of KRB5CCNAME, may be empty) and the default cache of `uid`.
    static bool TicketCacheExists(const std::string& ccname, unsigned uid);

    // Logs on as `account` instead of the auth file's user; a ticket cache
    // is still tried first.
    void UseAccount(const logon::Account& account);

    const std::string& User() const { return mUser; }
    const std::string& Password() const { return mPassword; }
    const std::string& Domain() const { return mDomain; }
    bool UseKerberos() const { return mKerberos; }
    bool HasPassword() const { return mHasPassword; }
    // Why the auth file was refused; empty when it was not.
    const std::string& Problem() const { return mProblem; }

private:
    std::string mUser;
    std::string mPassword;
    std::string mDomain;
    std::string mProblem;
    bool mKerberos = false;
    bool mHasPassword = false;
};

}  // namespace smb
