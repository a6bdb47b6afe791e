// SmbProvider's log-ons: another account for a server when the administrator
// asks for one, forgetting it, and what the last refused logon was made with.
#include <optional>

#include "SmbProviderCalls.h"

namespace smb {

std::string SmbProvider::RefusedLogon(const OptString& server) const {
    {
        std::lock_guard<std::mutex> guard(mServersLock);
        if (mRefusedLogons.count(Key(server)) == 0) return {};
    }
    return mOpener->LogonTried(HostFor(server));
}

void SmbProvider::NoteLogon(const OptString& server, NET_API_STATUS status) {
    std::lock_guard<std::mutex> guard(mServersLock);
    if (logon::IsLogonRefusal(status)) mRefusedLogons.insert(Key(server));
    else mRefusedLogons.erase(Key(server));
}

void SmbProvider::UseAccount(const OptString& server, const std::string& host,
                             const logon::Account& account) {
    // Bindings hold pipes of the old logon: the next call binds anew.
    mOpener->UseAccount(host, account);
    std::lock_guard<std::mutex> guard(mServersLock);
    mServers.erase(Key(server));
}

bool SmbProvider::AccountAnswered(const OptString& server, const std::string& host) {
    {
        std::lock_guard<std::mutex> guard(mServersLock);
        const auto it = mServers.find(Key(server));
        if (it == mServers.end() || !it->second->answered) return false;
    }
    return mOpener->LogsOnWithAccount(host);
}

NET_API_STATUS SmbProvider::LogOnAs(const OptString& server) {
    const auto lookup = logon::CurrentLookup();
    if (!lookup) return netapi::ERROR_NOT_SUPPORTED;
    const std::string host = HostFor(server);
    NET_API_STATUS status = logon::kAskedByAdministrator;
    for (int attempt = 0; attempt < kMaxLogonAsks; ++attempt) {
        std::optional<logon::Account> account;
        netapi::Interact([&] { account = lookup->Ask(host, status, attempt); });
        if (!account) return netapi::ERROR_CANCELLED;
        UseAccount(server, host, *account);
        // The server's own description proves the logon and asks for no right.
        netapi::ServerInfo101 info;
        status = Guarded<NET_API_STATUS>(
            server, [&](Server& s) { return s.srvsvc->ServerGetInfo(info); });
        if (status == NERR_Success) {
            netapi::Interact([&] { lookup->Accepted(host, *account); });
            return status;
        }
        if (status != netapi::ERROR_LOGON_FAILURE) return status;
    }
    return status;
}

void SmbProvider::ForgetLogOn(const OptString& server) {
    const std::string host = HostFor(server);
    mOpener->ForgetAccount(host);
    {
        std::lock_guard<std::mutex> guard(mServersLock);
        mServers.erase(Key(server));
    }
    if (const auto lookup = logon::CurrentLookup()) lookup->Forget(host);
}

}  // namespace smb
