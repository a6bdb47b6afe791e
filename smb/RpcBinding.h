#pragma once
// One interface on one server, bound on first use and kept for later calls.
// A kept pipe that the server has dropped meanwhile (idle timeout, restart) is
// reopened once, but only when the request never left: a call that may have
// run on the server is not repeated.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PipeOpener.h"

namespace smb {

class RpcBinding final {
public:
    RpcBinding(PipeOpener& opener, std::string host, std::string pipe, dcerpc::SyntaxId iface);

    netapi::NET_API_STATUS Call(std::uint16_t opnum, const std::vector<std::uint8_t>& stub,
                                std::vector<std::uint8_t>& reply);
    void Reset() { mClient.reset(); }
    const std::string& Host() const { return mHost; }

private:
    netapi::NET_API_STATUS Connect();

    PipeOpener& mOpener;
    std::string mHost;
    std::string mPipe;
    dcerpc::SyntaxId mInterface;
    std::unique_ptr<RpcChannel> mClient;
};

}  // namespace smb
