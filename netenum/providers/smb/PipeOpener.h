#pragma once
// Opens a named pipe (srvsvc, samr) on a server: libsmbclient in production,
// a scripted server in tests.
#include <memory>
#include <string>

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
};

}  // namespace smb
