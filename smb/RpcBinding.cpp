#include "RpcBinding.h"

#include "netenum/CallControl.h"

namespace smb {
namespace {

bool CallOver() {
    const netapi::CallControl* call = netapi::CurrentCall();
    return call != nullptr && call->Over();
}

}  // namespace

using netapi::NERR_Success;
using netapi::NET_API_STATUS;

RpcBinding::RpcBinding(PipeOpener& opener, std::string host, std::string pipe,
                       dcerpc::SyntaxId iface)
    : mOpener(opener), mHost(std::move(host)), mPipe(std::move(pipe)), mInterface(iface) {}

NET_API_STATUS RpcBinding::Connect() {
    mClient.reset();
    return mOpener.Bind(mHost, mPipe, mInterface, mClient);
}

NET_API_STATUS RpcBinding::Call(std::uint16_t opnum, const std::vector<std::uint8_t>& stub,
                                std::vector<std::uint8_t>& reply) {
    reply.clear();
    if (mClient && mClient->Broken()) mClient.reset();
    const bool reused = mClient != nullptr;
    if (!reused) {
        const NET_API_STATUS status = Connect();
        if (status != NERR_Success) return status;
    }
    NET_API_STATUS status = mClient->Call(opnum, stub, reply);
    if (status != NERR_Success && mClient->Broken()) {
        // A call past its deadline is not tried again on a new pipe.
        const bool retry = reused && !mClient->RequestSent() &&
                           status != netapi::ERROR_SEM_TIMEOUT && !CallOver();
        mClient.reset();
        if (retry) {
            status = Connect();
            if (status != NERR_Success) return status;
            status = mClient->Call(opnum, stub, reply);
            if (status != NERR_Success && mClient->Broken()) mClient.reset();
        }
    }
    return status;
}

}  // namespace smb
