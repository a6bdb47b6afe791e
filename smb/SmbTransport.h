#pragma once
// Opens named pipes over SMB and binds interfaces on them with Samba's RPC
// client: one logon per server, shared by every pipe opened on it.
#include <map>
#include <memory>
#include <set>
#include <mutex>
#include <string>

#include "PipeOpener.h"
#include "SmbCredentials.h"

namespace smb {

class SmbConnection;

class SmbTransport final : public PipeOpener {
public:
    explicit SmbTransport(SmbCredentials credentials);
    ~SmbTransport() override;

    netapi::NET_API_STATUS Bind(const std::string& host, const std::string& pipe,
                                const dcerpc::SyntaxId& iface,
                                std::unique_ptr<RpcChannel>& out) override;
    void UseAccount(const std::string& host, const logon::Account& account) override;
    void ForgetAccount(const std::string& host) override;
    bool LogsOnWithAccount(const std::string& host) override;
    netapi::NET_API_STATUS Resolve(const std::string& host) override;
    std::vector<std::u16string> AccountNames(const std::string& host) const override;
    std::vector<netapi::NET_API_STATUS> Reachable(
        const std::vector<std::string>& hosts,
        const std::function<void(std::size_t)>& answered) override;
    std::string LogonTried(const std::string& host) const override;

private:
    // Who logs on to `host`: an account given for it in this run; for a
    // computer the administrator named, then the lookup's (the keyring) and
    // the auth file's; for any other, only a Kerberos ticket or nobody.
    SmbCredentials CredentialsFor(const std::string& host);

    SmbCredentials mCredentials;
    mutable std::mutex mLock;
    std::map<std::string, std::shared_ptr<SmbConnection>> mConnections;
    std::map<std::string, SmbCredentials> mAccounts;  // given for one server this run
    std::set<std::string> mFromLookup;                // logged on with what the lookup knew
    std::map<std::string, std::string> mTried;        // host -> what its last logon used, in words
};

}  // namespace smb
