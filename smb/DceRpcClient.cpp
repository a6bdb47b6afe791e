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

// A response fragment's allocation hint: what it says is left of the reply,
// itself included (read from a fragment of at least the request header's size).
std::size_t AllocHint(const std::vector<std::uint8_t>& pdu) {
    return pdu[16] | pdu[17] << 8 | pdu[18] << 16 | static_cast<std::size_t>(pdu[19]) << 24;
}

}  // namespace

NET_API_STATUS DceRpcClient::Take(std::span<std::uint8_t> out) {
    const std::size_t have = mInbox.size() - mInboxAt;
    if (have < out.size()) {
        if (CallOver()) return netapi::ERROR_SEM_TIMEOUT;
        const std::size_t need = out.size() - have;
        // Ahead, at most one more fragment of the size the last one had: a
        // read then spans about one message, so the deadline is still
        // checked between round trips.
        const std::size_t ahead = std::min(mPromised, mLastFragment);
        const std::size_t extra = ahead > need ? ahead - need : 0;
        mInbox.erase(mInbox.begin(), mInbox.begin() + static_cast<std::ptrdiff_t>(mInboxAt));
        mInboxAt = 0;
        const std::size_t old = mInbox.size();
        mInbox.resize(old + need + extra);
        const NET_API_STATUS status = mPipe->ReadExact(std::span<std::uint8_t>(mInbox).subspan(old));
        if (status != NERR_Success) {
            mInbox.clear();
            mPromised = 0;
            return status;
        }
        mPromised = mPromised > need + extra ? mPromised - need - extra : 0;
    }
    std::copy_n(mInbox.begin() + static_cast<std::ptrdiff_t>(mInboxAt), out.size(), out.begin());
    mInboxAt += out.size();
    return NERR_Success;
}

NET_API_STATUS DceRpcClient::ReadMessageFragment(std::vector<std::uint8_t>& pdu) {
    // A fragment is at most 65535 bytes: a message that goes on past that is
    // not one.
    constexpr std::size_t kMaxFragment = 0xFFFF;
    pdu.clear();
    for (bool more = true; more;) {
        if (CallOver()) return netapi::ERROR_SEM_TIMEOUT;
        const std::size_t old = pdu.size();
        if (old >= kMaxFragment) return dcerpc::RPC_S_PROTOCOL_ERROR;
        pdu.resize(std::min(kMaxFragment, old + dcerpc::kDefaultMaxFrag));
        std::size_t got = 0;
        const NET_API_STATUS status =
            mPipe->ReadMessage(std::span<std::uint8_t>(pdu).subspan(old), got, more);
        if (status != NERR_Success) return status;
        pdu.resize(old + got);
    }
    return NERR_Success;
}

NET_API_STATUS DceRpcClient::ReadFragment(std::vector<std::uint8_t>& pdu, dcerpc::Header& header,
                                          std::uint32_t callId) {
    if (mPipe->MessageMode()) {
        NET_API_STATUS status = ReadMessageFragment(pdu);
        if (status == NERR_Success) status = dcerpc::DecodeHeader(pdu, header);
        // One message is one fragment, as Windows writes them.
        if (status == NERR_Success && header.fragLength != pdu.size())
            status = dcerpc::RPC_S_PROTOCOL_ERROR;
        return status;
    }
    pdu.assign(dcerpc::kHeaderSize, 0);
    NET_API_STATUS status = Take(pdu);
    if (status != NERR_Success) return status;
    status = dcerpc::DecodeHeader(pdu, header);
    if (status != NERR_Success) return status;
    pdu.resize(header.fragLength);
    status = Take(std::span<std::uint8_t>(pdu).subspan(dcerpc::kHeaderSize));
    if (status != NERR_Success) return status;
    // Each read of a message pipe is a round trip that ends at a fragment's
    // end, so reading a header and then its body costs two. A fragment of our
    // reply says how much of the reply is still to come (its allocation
    // hint): the next fragment is read whole, one trip per fragment. The
    // hint is only the server's word, so a server that overstates it is
    // waited for no longer than the call's deadline, as one that stalls.
    const bool more = header.ptype == dcerpc::kResponse && header.callId == callId &&
                      (header.flags & dcerpc::kLastFrag) == 0 &&
                      pdu.size() >= dcerpc::kRequestHeaderSize;
    mPromised = 0;
    mLastFragment = pdu.size();
    if (more) {
        const std::size_t hint = AllocHint(pdu);
        const std::size_t stub = pdu.size() - dcerpc::kRequestHeaderSize;
        // At least the rest of the stub and one more fragment's header.
        const std::size_t coming = hint > stub ? hint - stub + dcerpc::kRequestHeaderSize : 0;
        const std::size_t read = mInbox.size() - mInboxAt;
        mPromised = coming > read ? coming - read : 0;
    }
    return NERR_Success;
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
    status = ReadFragment(pdu, header, callId);
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
        NET_API_STATUS status = ReadFragment(pdu, header, callId);
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
            const std::size_t hint = AllocHint(pdu);
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
