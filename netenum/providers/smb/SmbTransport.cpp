#include "SmbTransport.h"

#include "SmbConnection.h"
#include "SmbPipe.h"
#include "logon/CredentialLookup.h"
#include "netenum/MessageTarget.h"
#include "netenum/Text.h"

namespace smb {

SmbTransport::SmbTransport(SmbCredentials credentials) : mCredentials(std::move(credentials)) {}

SmbCredentials SmbTransport::CredentialsFor(const std::string& host) {
    // A ticket cache is always tried first (SmbConnection); the password
    // behind it comes from what was given for this server, then from the
    // lookup (this run or the keyring), then from the auth file.
    if (const auto given = mAccounts.find(host); given != mAccounts.end()) return given->second;
    if (const auto lookup = logon::CurrentLookup()) {
        if (const std::optional<logon::Account> known = lookup->Known(host)) {
            SmbCredentials credentials = mCredentials;
            credentials.UseAccount(*known);
            mFromLookup.insert(host);
            return credentials;
        }
    }
    return mCredentials;
}

void SmbTransport::UseAccount(const std::string& host, const logon::Account& account) {
    SmbCredentials credentials = mCredentials;
    credentials.UseAccount(account);
    mAccounts[host] = std::move(credentials);
    mFromLookup.erase(host);
    mConnections.erase(host);
}

netapi::NET_API_STATUS SmbTransport::Open(const std::string& host, const std::string& pipe,
                                          std::unique_ptr<BytePipe>& out) {
    out.reset();
    auto& connection = mConnections[host];
    if (!connection) connection = std::make_shared<SmbConnection>(host, CredentialsFor(host));
    _SMBCFILE* file = nullptr;
    const netapi::NET_API_STATUS status = connection->OpenPipe(pipe, file);
    if (status != netapi::NERR_Success) {
        // A failed logon or connection leaves nothing worth keeping.
        mConnections.erase(host);
        if (status == netapi::ERROR_LOGON_FAILURE && mFromLookup.erase(host) != 0)
            if (const auto lookup = logon::CurrentLookup()) lookup->Refused(host);
        return status;
    }
    out = std::make_unique<SmbPipe>(connection, file);
    return netapi::NERR_Success;
}

}  // namespace smb
