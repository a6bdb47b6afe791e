#pragma once
// How Vantor logs on to one server: its credentials, and the pipes it opens
// there with Samba's RPC client, each on an SMB connection of its own.
#include <memory>
#include <string>

#include "DceRpcPdu.h"
#include "RpcChannel.h"
#include "SmbCredentials.h"
#include "netenum/netapi.h"

namespace smb {

class SmbConnection final {
public:
    SmbConnection(std::string host, const SmbCredentials& credentials);

    // Connects, logs on, opens \PIPE\<pipe> through the server's IPC$ share
    // and binds `iface` on it, all within the current call's deadline.
    netapi::NET_API_STATUS Bind(const std::string& pipe, const dcerpc::SyntaxId& iface,
                                std::unique_ptr<RpcChannel>& out);
    const SmbCredentials& Credentials() const { return mCredentials; }

private:
    std::string mHost;
    SmbCredentials mCredentials;
    bool mReached = false;  // a pipe was opened here before
};

}  // namespace smb
