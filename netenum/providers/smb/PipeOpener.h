#pragma once
// Opens a named pipe (srvsvc, samr) on a server: libsmbclient in production,
// a scripted server in tests.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BytePipe.h"
#include "logon/Account.h"

namespace smb {

class PipeOpener {
public:
    virtual ~PipeOpener() = default;
    // `host` is a name or address; `pipe` the bare pipe name ("srvsvc").
    virtual netapi::NET_API_STATUS Open(const std::string& host, const std::string& pipe,
                                        std::unique_ptr<BytePipe>& out) = 0;
    // Later connections to `host` log on as `account`; a kept connection is
    // dropped. Openers without logons ignore it.
    virtual void UseAccount(const std::string& host, const logon::Account& account) {
        (void)host;
        (void)account;
    }
    // What the last logon to `host` was made with, in words and without any
    // secret; empty when nothing was tried (or the opener has no logons).
    virtual std::string LogonTried(const std::string& host) const {
        (void)host;
        return {};
    }
    // Whether each host answers at all (0) or not (53), all asked at once
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
