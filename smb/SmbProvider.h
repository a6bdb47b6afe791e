#pragma once
// The network as real Windows and Samba servers answer it: the server service
// (srvsvc) for files, sessions, shares, connections, server information and
// the clock, the account database (samr) for user accounts, each over its
// named pipe on the server. The local computer (an empty name, this machine's
// own name or "localhost") is the SMB server at 127.0.0.1.
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ListingSources.h"
#include "PipeOpener.h"
#include "ServerNames.h"
#include "logon/Account.h"
#include "netenum/DeadComputers.h"
#include "netenum/Provider.h"

namespace smb {

struct ServerBindings;

class SmbProvider final : public netapi::Provider {
public:
    explicit SmbProvider(std::shared_ptr<PipeOpener> opener);
    ~SmbProvider() override;

    netapi::EnumResult<netapi::FileInfo3> FileEnum(const netapi::OptString& server,
                                                   const netapi::OptString& basepath,
                                                   const netapi::OptString& user) override;
    netapi::NET_API_STATUS FileClose(const netapi::OptString& server, netapi::DWORD fileid) override;
    netapi::NET_API_STATUS FileGetInfo(const netapi::OptString& server, netapi::DWORD fileid,
                                       netapi::FileInfo3& out) override;
    netapi::EnumResult<netapi::SessionInfo502> SessionEnum(const netapi::OptString& server,
                                                           const netapi::OptString& client,
                                                           const netapi::OptString& user,
                                                           netapi::DWORD level) override;
    netapi::NET_API_STATUS SessionDel(const netapi::OptString& server,
                                      const netapi::OptString& client,
                                      const netapi::OptString& user) override;
    netapi::EnumResult<netapi::ShareInfo2> ShareEnum(const netapi::OptString& server,
                                                     netapi::DWORD level) override;
    netapi::EnumResult<netapi::ConnectionInfo1> ConnectionEnum(
        const netapi::OptString& server, const netapi::OptString& qualifier) override;
    netapi::EnumResult<netapi::ServerInfo101> ServerEnum(netapi::DWORD servertype,
                                                         const netapi::OptString& domain) override;
    netapi::NET_API_STATUS ServerGetInfo(const netapi::OptString& server,
                                         netapi::ServerInfo101& out) override;
    netapi::NET_API_STATUS ServerSetComment(const netapi::OptString& server,
                                            const netapi::OptString& comment) override;
    netapi::NET_API_STATUS RemoteTOD(const netapi::OptString& server,
                                     netapi::TimeOfDay& out) override;
    netapi::NET_API_STATUS UserGetInfo(const netapi::OptString& server,
                                       const netapi::OptString& user,
                                       netapi::UserInfo3& out) override;
    netapi::NET_API_STATUS UserSetInfo(const netapi::OptString& server,
                                       const netapi::OptString& user,
                                       const netapi::UserInfo3& info) override;
    netapi::NET_API_STATUS MessageBufferSend(const netapi::OptString& server,
                                             const netapi::OptString& msgname,
                                             const netapi::OptString& fromname,
                                             const std::u16string& text) override;
    netapi::NET_API_STATUS LocalComputerName(std::u16string& out) override;
    // Current servers have no messenger service: the terminal server's
    // session interface reaches the user's desktop instead.
    netapi::NET_API_STATUS DesktopMessageSend(const netapi::OptString& server,
                                              const std::u16string& user,
                                              const std::u16string& title,
                                              const std::u16string& text,
                                              std::vector<netapi::DesktopSession>& reached) override;
    // The server's own answer says which domain it belongs to (lsarpc), DNS
    // where that domain's controllers are (SRV records).
    netapi::NET_API_STATUS GetAnyDCName(const netapi::OptString& server,
                                        const netapi::OptString& domain,
                                        std::u16string& out) override;
    // Shares through srvsvc; account names through lsarpc, on the same server.
    netapi::NET_API_STATUS ShareAdd(const netapi::OptString& server, netapi::DWORD level,
                                    const netapi::ShareDetails& share,
                                    netapi::DWORD& parm_err) override;
    netapi::NET_API_STATUS ShareDel(const netapi::OptString& server,
                                    const std::u16string& netname) override;
    netapi::NET_API_STATUS ShareGetInfo(const netapi::OptString& server,
                                        const std::u16string& netname, netapi::DWORD level,
                                        netapi::ShareDetails& out) override;
    netapi::NET_API_STATUS ShareSetInfo(const netapi::OptString& server,
                                        const std::u16string& netname, netapi::DWORD level,
                                        const netapi::ShareDetails& share,
                                        netapi::DWORD& parm_err) override;
    netapi::NET_API_STATUS LookupNames(const netapi::OptString& server,
                                       const std::vector<std::u16string>& names,
                                       std::vector<netapi::AccountLookup>& out) override;
    netapi::NET_API_STATUS LookupSids(const netapi::OptString& server,
                                      const std::vector<netapi::Sid>& sids,
                                      std::vector<netapi::AccountLookup>& out) override;
    std::u16string StartupNotice() const override { return mNotice; }
    void SetStartupNotice(std::u16string notice) { mNotice = std::move(notice); }
    void RetryComputer(const netapi::OptString& server) override;
    void RetryAllComputers() override;
    netapi::NET_API_STATUS ResolveComputer(const netapi::OptString& server) override;
    bool HasLogOns() const override { return true; }
    netapi::NET_API_STATUS LogOnAs(const netapi::OptString& server) override;
    void ForgetLogOn(const netapi::OptString& server) override;

    // The address or name a server argument reaches (HostOf).
    std::string HostFor(const netapi::OptString& server) const;
    // When the last call to `server` ended with its logon refused: what the
    // logon was made with, in words and without any secret ("the Kerberos
    // ticket of ..., then the account of the auth file ..."). Empty otherwise.
    std::string RefusedLogon(const netapi::OptString& server) const;

    // How often one failed call asks for another account before its failure stands.
    static constexpr int kMaxLogonAsks = 3;
    // How long a listing waits for computers to answer at all, within its
    // call: one computer that is down costs this, not the call's deadline.
    static constexpr std::chrono::milliseconds kProbeDeadline{2000};

private:
    using Server = ServerBindings;
    std::shared_ptr<Server> For(const netapi::OptString& server);
    // Runs `call` on the server; when it is refused (5, 1326) and someone can
    // give another account, logs on again with it and runs `call` once more.
    template <typename R, typename F>
    R LoggedOn(const netapi::OptString& server, F call);
    std::string Key(const netapi::OptString& server) const;
    // Runs `call` on the server's clients within the current call's deadline,
    // one call per server at a time, unless the server is remembered as dead.
    template <typename R, typename F>
    R Guarded(const netapi::OptString& server, F call);
    // Later calls to `server` log on as `account` (new bindings, new connection).
    void UseAccount(const netapi::OptString& server, const std::string& host,
                    const logon::Account& account);
    // Whether `server` is logged on to with an account that has already been
    // answered: a refusal then means a missing right, not a wrong logon.
    bool AccountAnswered(const netapi::OptString& server, const std::string& host);
    // Whether each host answers at all, within kProbeDeadline; `answered(i)`
    // runs within the whole call's deadline.
    std::vector<netapi::NET_API_STATUS> Probe(const std::vector<std::string>& hosts,
                                              const std::function<void(std::size_t)>& answered);

    // Remembers whether the call's end was a refused logon (RefusedLogon).
    void NoteLogon(const netapi::OptString& server, netapi::NET_API_STATUS status);

    std::shared_ptr<PipeOpener> mOpener;
    mutable std::mutex mServersLock;
    std::set<std::string> mRefusedLogons;  // keys of servers whose last call's logon was refused
    std::map<std::string, std::shared_ptr<Server>> mServers;
    std::u16string mNotice;
    std::atomic<bool> mAsking{false};  // a log-on prompt is up
    netapi::DeadComputers mDead;
};

// The provider over libsmbclient, logging on as SmbCredentials says. Only
// present when the SMB client library was found at build time.
std::shared_ptr<netapi::Provider> MakeSmbProvider();

}  // namespace smb
