#include "SmbConnection.h"

#include "SmbRpcPipe.h"

namespace smb {

SmbConnection::SmbConnection(std::string host, const SmbCredentials& credentials)
    : mHost(std::move(host)), mCredentials(credentials) {}

netapi::NET_API_STATUS SmbConnection::Bind(const std::string& pipe, const dcerpc::SyntaxId& iface,
                                           std::unique_ptr<RpcChannel>& out) {
    const netapi::NET_API_STATUS status =
        SmbRpcPipe::Open(mHost, mCredentials, pipe, iface, mReached, out);
    if (status == netapi::NERR_Success) mReached = true;
    return status;
}

}  // namespace smb
