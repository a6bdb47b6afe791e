#pragma once
// One interface bound on one pipe of a server: a request stub in, the reply
// stub out. Samba's client library carries it to real servers; Vantor's own
// DCE/RPC client carries it over a byte pipe (the scripted test servers).
#include <cstdint>
#include <vector>

#include "netenum/netapi.h"

namespace smb {

class RpcChannel {
public:
    virtual ~RpcChannel() = default;
    // Sends `stub` as operation `opnum` and returns the reply stub.
    virtual netapi::NET_API_STATUS Call(std::uint16_t opnum, const std::vector<std::uint8_t>& stub,
                                        std::vector<std::uint8_t>& reply) = 0;
    // The pipe can carry no more calls (a transport failure or a reply out of step).
    virtual bool Broken() const = 0;
    // Whether the last call's request may have reached the server; a call that
    // failed before that certainly did not run there.
    virtual bool RequestSent() const = 0;
};

}  // namespace smb
