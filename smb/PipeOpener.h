#pragma once
// Opens a named pipe (srvsvc, samr) on a server and binds an interface on
// it: Samba's RPC client in production, a scripted server in tests.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BytePipe.h"
#include "DceRpcPdu.h"
#include "RpcChannel.h"
#include "logon/Account.h"

namespace smb {

class PipeOpener {
public:
    virtual ~PipeOpener() = default;
    // `host` is a name or address; `pipe` the bare pipe name ("srvsvc").
    // Binds `iface` on the pipe; by default Vantor's own DCE/RPC client over
    // the byte pipe Open gives.
    virtual netapi::NET_API_STATUS Bind(const std::string& host, const std::string& pipe,
                                        const dcerpc::SyntaxId& iface,
                                        std::unique_ptr<RpcChannel>& out);
    // The pipe as a byte stream, for openers that leave the binding to Bind's
    // default; others need not give one.
    virtual netapi::NET_API_STATUS Open(const std::string& host, const std::string& pipe,
                                        std::unique_ptr<BytePipe>& out);
    // Later connections to `host` log on as `account`; a kept connection is
    // dropped. Openers without logons ignore it.
    virtual void UseAccount(const std::string& host, const logon::Account& account) {
        (void)host;
        (void)account;
    }
    // Drops the account given for `host` in this run and the connection
    // that logged on with it.
    virtual void ForgetAccount(const std::string& host) { (void)host; }
    // Whether connections to `host` log on as a named account (a password
    // or a ticket), not anonymously.
    virtual bool LogsOnWithAccount(const std::string& host) {
        (void)host;
        return false;
    }
    // Whether the name `host` resolves (0) or not (11001), within the current
    // call's deadline. By default every name does.
    virtual netapi::NET_API_STATUS Resolve(const std::string& host) {
        (void)host;
        return 0;
    }
    // The names the account logged on to `host` goes by (bare: no domain or
    // realm), as servers list the files it opens; empty when not known.
    virtual std::vector<std::u16string> AccountNames(const std::string& host) const {
        (void)host;
        return {};
    }
    // What the last logon to `host` was made with, in words and without any
    // secret; empty when nothing was tried (or the opener has no logons).
    virtual std::string LogonTried(const std::string& host) const {
        (void)host;
        return {};
    }
    // Whether each host answers at all (0) or not (53; 11001 for a name that
    // does not resolve), all asked at once
    // within the current call's deadline; `answered(i)` runs as soon as host
    // i answers. A host not asked before the deadline (or before the call was
    // given up) is 1223. By default every host answers.
    virtual std::vector<netapi::NET_API_STATUS> Reachable(
        const std::vector<std::string>& hosts, const std::function<void(std::size_t)>& answered) {
        for (std::size_t i = 0; i < hosts.size(); ++i) answered(i);
        return std::vector<netapi::NET_API_STATUS>(hosts.size(), 0);
    }
};

}  // namespace smb
