#pragma once
// One interface bound on a named pipe of a server through Samba's RPC client,
// on an SMB connection of its own. A call that runs out of time cuts that
// connection (no goodbyes to a server that stalls) and the pipe is not used
// again.
#include <memory>
#include <string>

#include "DceRpcPdu.h"
#include "RpcChannel.h"
#include "SmbCredentials.h"

struct vantor_rpc;

namespace smb {

class SmbRpcPipe final : public RpcChannel {
public:
    // The largest reply accepted, however many fragments it comes in.
    static constexpr std::size_t kMaxReplyBytes = 32u * 1024 * 1024;

    // `reached`: an earlier pipe on this server was opened (a failure to
    // open this one is then the pipe's, not the computer's).
    static netapi::NET_API_STATUS Open(const std::string& host, const SmbCredentials& credentials,
                                       const std::string& pipe, const dcerpc::SyntaxId& iface,
                                       bool reached, std::unique_ptr<RpcChannel>& out);
    ~SmbRpcPipe() override;
    SmbRpcPipe(const SmbRpcPipe&) = delete;
    SmbRpcPipe& operator=(const SmbRpcPipe&) = delete;

    netapi::NET_API_STATUS Call(std::uint16_t opnum, const std::vector<std::uint8_t>& stub,
                                std::vector<std::uint8_t>& reply) override;
    bool Broken() const override { return mBroken; }
    bool RequestSent() const override { return mRequestSent; }

    // The TCP connection the library made (it does not say which), known by
    // both its ends so that a descriptor reused for anything else is never
    // touched.
    struct Socket {
        int fd = -1;
        std::string local, peer;
    };

private:
    SmbRpcPipe(vantor_rpc* rpc, Socket socket) : mRpc(rpc), mSocket(std::move(socket)) {}
    void Cut();

    vantor_rpc* mRpc;
    Socket mSocket;
    bool mBroken = false;
    bool mRequestSent = false;
};

}  // namespace smb
