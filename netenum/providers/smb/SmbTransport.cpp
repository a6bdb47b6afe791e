#include "SmbTransport.h"

#include "SmbConnection.h"
#include "SmbPipe.h"
#include "SmbProbe.h"
#include "SmbProvider.h"
#include "logon/CredentialLookup.h"
#include "netenum/CallControl.h"
#include "netenum/MessageTarget.h"
#include "netenum/Text.h"

namespace smb {

SmbTransport::SmbTransport(SmbCredentials credentials) : mCredentials(std::move(credentials)) {}

SmbTransport::~SmbTransport() = default;

SmbCredentials SmbTransport::CredentialsFor(const std::string& host) {
    // A ticket cache is always tried first (SmbConnection); the password
    // behind it comes from what was given for this server, then from the
    // lookup (this run or the keyring), then from the auth file. A password
    // goes only to a computer the administrator named, under that name.
    SmbCredentials chosen;
    bool decided = false;
    {
        std::lock_guard<std::mutex> guard(mLock);
        if (const auto given = mAccounts.find(host); given != mAccounts.end()) {
            chosen = given->second;
            decided = true;
        }
    }
    std::string why;
    if (!decided && !NamedByAdministrator(host)) {
        chosen = mCredentials.WithoutPassword(host);
        why = "; no password goes to " + host + ": it is not a computer you named";
        decided = true;
    }
    if (!decided) {
        if (const auto lookup = logon::CurrentLookup()) {
            std::optional<logon::Account> known;
            // The keyring belongs to the window thread.
            netapi::Interact([&] { known = lookup->Known(host); });
            if (known) {
                chosen = mCredentials;
                chosen.UseAccount(*known, "the keyring's account");
                std::lock_guard<std::mutex> guard(mLock);
                mFromLookup.insert(host);
                decided = true;
            }
        }
    }
    if (!decided) chosen = mCredentials;
    std::lock_guard<std::mutex> guard(mLock);
    mTried[host] = chosen.Describe() + why;
    return chosen;
}

std::string SmbTransport::LogonTried(const std::string& host) const {
    std::lock_guard<std::mutex> guard(mLock);
    const auto it = mTried.find(host);
    return it == mTried.end() ? std::string() : it->second;
}

void SmbTransport::UseAccount(const std::string& host, const logon::Account& account) {
    SmbCredentials credentials = mCredentials;
    credentials.UseAccount(account, "the account typed for " + host);
    std::lock_guard<std::mutex> guard(mLock);
    mAccounts[host] = std::move(credentials);
    mFromLookup.erase(host);
    mConnections.erase(host);
}

netapi::NET_API_STATUS SmbTransport::Open(const std::string& host, const std::string& pipe,
                                          std::unique_ptr<BytePipe>& out) {
    out.reset();
    std::shared_ptr<SmbConnection> connection;
    {
        std::lock_guard<std::mutex> guard(mLock);
        auto& slot = mConnections[host];
        if (slot && slot->Poisoned()) slot.reset();
        connection = slot;
    }
    if (!connection) {
        SmbCredentials credentials = CredentialsFor(host);
        std::lock_guard<std::mutex> guard(mLock);
        auto& slot = mConnections[host];
        if (!slot) slot = std::make_shared<SmbConnection>(host, std::move(credentials));
        connection = slot;
    }
    // Only one call per computer is under way at a time, so the connection
    // is not shared between threads here.
    _SMBCFILE* file = nullptr;
    const netapi::NET_API_STATUS status = connection->OpenPipe(pipe, file);
    if (status != netapi::NERR_Success) {
        // A failed logon or connection leaves nothing worth keeping.
        bool refused = false;
        {
            std::lock_guard<std::mutex> guard(mLock);
            if (mConnections[host] == connection) mConnections.erase(host);
            refused = status == netapi::ERROR_LOGON_FAILURE && mFromLookup.erase(host) != 0;
        }
        if (refused)
            if (const auto lookup = logon::CurrentLookup())
                netapi::Interact([&] { lookup->Refused(host); });
        return status;
    }
    out = std::make_unique<SmbPipe>(connection, file);
    return netapi::NERR_Success;
}

std::vector<netapi::NET_API_STATUS> SmbTransport::Reachable(
    const std::vector<std::string>& hosts, const std::function<void(std::size_t)>& answered) {
    return ProbeSmb(hosts, answered);
}

}  // namespace smb
