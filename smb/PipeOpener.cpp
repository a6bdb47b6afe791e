#include "PipeOpener.h"

#include "DceRpcClient.h"

namespace smb {

netapi::NET_API_STATUS PipeOpener::Bind(const std::string& host, const std::string& pipe,
                                        const dcerpc::SyntaxId& iface,
                                        std::unique_ptr<RpcChannel>& out) {
    out.reset();
    std::unique_ptr<BytePipe> bytes;
    netapi::NET_API_STATUS status = Open(host, pipe, bytes);
    if (status != netapi::NERR_Success) return status;
    auto client = std::make_unique<DceRpcClient>(std::move(bytes));
    status = client->Bind(iface);
    if (status == netapi::NERR_Success) out = std::move(client);
    return status;
}

netapi::NET_API_STATUS PipeOpener::Open(const std::string&, const std::string&,
                                        std::unique_ptr<BytePipe>& out) {
    out.reset();
    return netapi::ERROR_NOT_SUPPORTED;
}

}  // namespace smb
