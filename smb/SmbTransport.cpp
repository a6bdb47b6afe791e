#include "SmbTransport.h"

#include "SmbConnection.h"
#include "SmbProbe.h"
#include "SmbProvider.h"
#include "logon/CredentialLookup.h"
#include "netenum/CallControl.h"
#include "netenum/MessageTarget.h"
#include "text/Text.h"

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

void SmbTransport::ForgetAccount(const std::string& host) {
    std::lock_guard<std::mutex> guard(mLock);
    mAccounts.erase(host);
    mFromLookup.erase(host);
    mConnections.erase(host);
}

bool SmbTransport::LogsOnWithAccount(const std::string& host) {
    std::lock_guard<std::mutex> guard(mLock);
    if (mAccounts.count(host) != 0 || mFromLookup.count(host) != 0) return true;
    return mCredentials.UseKerberos() || !mCredentials.User().empty();
}

netapi::NET_API_STATUS SmbTransport::Resolve(const std::string& host) {
    return ResolveHosts({host}, 445).front().status;
}

netapi::NET_API_STATUS SmbTransport::Bind(const std::string& host, const std::string& pipe,
                                          const dcerpc::SyntaxId& iface,
                                          std::unique_ptr<RpcChannel>& out) {
    out.reset();
    std::shared_ptr<SmbConnection> connection;
    {
        std::lock_guard<std::mutex> guard(mLock);
        connection = mConnections[host];
    }
    if (!connection) {
        SmbCredentials credentials = CredentialsFor(host);
        std::lock_guard<std::mutex> guard(mLock);
        auto& slot = mConnections[host];
        if (!slot) slot = std::make_shared<SmbConnection>(host, std::move(credentials));
        connection = slot;
    }
    const netapi::NET_API_STATUS status = connection->Bind(pipe, iface, out);
    if (status != netapi::NERR_Success) {
        // A failed logon or connection leaves nothing worth keeping; a pipe
        // the server does not have says nothing about the logon.
        const bool pipeOnly = status == netapi::RPC_S_SERVER_UNAVAILABLE || status == 1717;
        bool refused = false;
        {
            std::lock_guard<std::mutex> guard(mLock);
            if (!pipeOnly && mConnections[host] == connection) mConnections.erase(host);
            refused = status == netapi::ERROR_LOGON_FAILURE && mFromLookup.erase(host) != 0;
        }
        if (refused)
            if (const auto lookup = logon::CurrentLookup())
                netapi::Interact([&] { lookup->Refused(host); });
        return status;
    }
    return netapi::NERR_Success;
}

namespace {

// "OFFICE\anna", "anna@OFFICE.TEST" and "anna" all name anna.
std::u16string BareName(const std::string& name) {
    std::string bare = name;
    if (const auto slash = bare.find_last_of("\\/"); slash != std::string::npos)
        bare.erase(0, slash + 1);
    if (const auto at = bare.find('@'); at != std::string::npos) bare.resize(at);
    return text::FromUtf8(bare);
}

}  // namespace

std::vector<std::u16string> SmbTransport::AccountNames(const std::string& host) const {
    std::lock_guard<std::mutex> guard(mLock);
    const auto it = mConnections.find(host);
    if (it == mConnections.end() || !it->second) return {};
    // A ticket or the account behind it: either may be the one that logged on.
    const SmbCredentials& c = it->second->Credentials();
    std::vector<std::u16string> names;
    for (const std::string* name : {&c.User(), &c.Principal()})
        if (!name->empty()) names.push_back(BareName(*name));
    return names;
}

std::vector<netapi::NET_API_STATUS> SmbTransport::Reachable(
    const std::vector<std::string>& hosts, const std::function<void(std::size_t)>& answered) {
    return ProbeSmb(hosts, answered);
}

}  // namespace smb
