#include "DceRpcClient.h"

#include <algorithm>

#include "netenum/CallControl.h"

namespace smb {

using netapi::NERR_Success;
using netapi::NET_API_STATUS;

DceRpcClient::DceRpcClient(std::unique_ptr<BytePipe> pipe) : mPipe(std::move(pipe)) {}

namespace {

// The call this pipe works for has run out of time or been given up: a server
// that sends its reply in many slow fragments is not waited for past that.
bool CallOver() {
    const netapi::CallControl* call = netapi::CurrentCall();
    return call != nullptr && call->Over();
}

}  // namespace

NET_API_STATUS DceRpcClient::ReadFragment(std::vector<std::uint8_t>& pdu, dcerpc::Header& header) {
    if (CallOver()) return netapi::ERROR_SEM_TIMEOUT;
    pdu.assign(dcerpc::kHeaderSize, 0);
    NET_API_STATUS status = mPipe->ReadExact(pdu);
    if (status != NERR_Success) return status;
    status = dcerpc::DecodeHeader(pdu, header);
    if (status != NERR_Success) return status;
    pdu.resize(header.fragLength);
    if (CallOver()) return netapi::ERROR_SEM_TIMEOUT;
    return mPipe->ReadExact(std::span<std::uint8_t>(pdu).subspan(dcerpc::kHeaderSize));
}

NET_API_STATUS DceRpcClient::Bind(const dcerpc::SyntaxId& abstract) {
    if (mBroken) return dcerpc::RPC_S_CALL_FAILED;
    if (CallOver()) return netapi::ERROR_SEM_TIMEOUT;
    const std::uint32_t callId = mNextCallId++;
    NET_API_STATUS status =
        mPipe->Write(dcerpc::EncodeBind(callId, abstract, dcerpc::kDefaultMaxFrag,
                                        dcerpc::kDefaultMaxFrag));
    if (status != NERR_Success) {
        mBroken = true;
        return status;
    }
    std::vector<std::uint8_t> pdu;
    dcerpc::Header header;
    status = ReadFragment(pdu, header);
    if (status != NERR_Success) {
        mBroken = true;
        return status;
    }
    if (header.callId != callId) {
        mBroken = true;
        return dcerpc::RPC_S_PROTOCOL_ERROR;
    }
    std::uint16_t maxRecv = 0;
    status = dcerpc::DecodeBindAck(pdu, maxRecv);
    if (status != NERR_Success) return status;
    mMaxXmit = std::min<std::uint16_t>(maxRecv, dcerpc::kDefaultMaxFrag);
    mBound = true;
    return NERR_Success;
}

NET_API_STATUS DceRpcClient::Call(std::uint16_t opnum, const std::vector<std::uint8_t>& stub,
                                  std::vector<std::uint8_t>& reply) {
    reply.clear();
    mRequestSent = false;
    if (!mBound || mBroken) return dcerpc::RPC_S_CALL_FAILED;
    if (CallOver()) return netapi::ERROR_SEM_TIMEOUT;
    const std::uint32_t callId = mNextCallId++;
    const auto fragments = dcerpc::EncodeRequest(callId, 0, opnum, stub, mMaxXmit);
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        // From the last fragment on, the server may carry the request out.
        if (i + 1 == fragments.size())
            if (netapi::CallControl* call = netapi::CurrentCall()) call->requestSent.store(true);
        const NET_API_STATUS status = mPipe->Write(fragments[i]);
        if (status != NERR_Success) {
            mBroken = true;
            return status;
        }
    }
    mRequestSent = true;
    std::vector<std::uint8_t> pdu;
    for (bool first = true;; first = false) {
        dcerpc::Header header;
        NET_API_STATUS status = ReadFragment(pdu, header);
        if (status != NERR_Success) {
            mBroken = true;
            reply.clear();
            return status;
        }
        const bool faultOrResponse =
            header.ptype == dcerpc::kFault || header.ptype == dcerpc::kResponse;
        if (header.callId != callId || !faultOrResponse ||
            first != ((header.flags & dcerpc::kFirstFrag) != 0)) {
            // The stream is out of step with our calls; it cannot be trusted again.
            mBroken = true;
            reply.clear();
            return dcerpc::RPC_S_PROTOCOL_ERROR;
        }
        if (first && header.ptype == dcerpc::kResponse && pdu.size() >= 20) {
            // The first fragment's allocation hint is the whole reply's size.
            // It is only the server's word: room for a few fragments at most,
            // the rest grows with what really arrives.
            const std::size_t hint = pdu[16] | pdu[17] << 8 | pdu[18] << 16 |
                                     static_cast<std::size_t>(pdu[19]) << 24;
            reply.reserve(std::min<std::size_t>(hint, kMaxHintedBytes));
        }
        status = dcerpc::DecodeResponseFragment(pdu, reply);
        if (status != NERR_Success) {
            // A fault ends the call; unless it came mid-reply, the pipe is still usable.
            if (header.ptype != dcerpc::kFault || (header.flags & dcerpc::kLastFrag) == 0 ||
                !first)
                mBroken = true;
            reply.clear();
            return status;
        }
        if (reply.size() > kMaxReplyBytes) {
            mBroken = true;
            reply.clear();
            return dcerpc::RPC_S_PROTOCOL_ERROR;
        }
        if ((header.flags & dcerpc::kLastFrag) != 0) return NERR_Success;
    }
}

}  // namespace smb
