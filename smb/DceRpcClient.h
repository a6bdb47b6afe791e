#pragma once
// A DCE/RPC client on one pipe: bind once to an interface, then calls.
// Responses are reassembled fragment by fragment. A read asks for what a
// fragment's header says it holds, and beyond that only for what the reply
// itself has said is still coming.
#include <cstddef>
#include <cstdint>
#include <span>
#include <memory>
#include <vector>

#include "BytePipe.h"
#include "DceRpcPdu.h"
#include "RpcChannel.h"

namespace smb {

class DceRpcClient final : public RpcChannel {
public:
    explicit DceRpcClient(std::unique_ptr<BytePipe> pipe);

    netapi::NET_API_STATUS Bind(const dcerpc::SyntaxId& abstract);
    netapi::NET_API_STATUS Call(std::uint16_t opnum, const std::vector<std::uint8_t>& stub,
                                std::vector<std::uint8_t>& reply) override;

    bool Bound() const { return mBound; }
    bool Broken() const override { return mBroken || !mPipe->Usable(); }
    bool RequestSent() const override { return mRequestSent; }

    // The largest reply we accept, whatever the fragments claim: a server
    // cannot make us hold more than this.
    static constexpr std::size_t kMaxReplyBytes = 32u * 1024 * 1024;
    // What a reply's allocation hint may reserve ahead: four whole fragments.
    static constexpr std::size_t kMaxHintedBytes = 4u * 65536;

private:
    // Reads one fragment; `callId` is the call whose reply it should belong to.
    netapi::NET_API_STATUS ReadFragment(std::vector<std::uint8_t>& pdu, dcerpc::Header& header,
                                        std::uint32_t callId);
    // Fills `out` from bytes read ahead, reading the pipe for the rest.
    netapi::NET_API_STATUS Take(std::span<std::uint8_t> out);
    // One fragment of a message pipe: the whole message, read on while the
    // server says more of it is waiting.
    netapi::NET_API_STATUS ReadMessageFragment(std::vector<std::uint8_t>& pdu);

    std::unique_ptr<BytePipe> mPipe;
    std::uint32_t mNextCallId = 1;
    std::uint16_t mMaxXmit = dcerpc::kDefaultMaxFrag;
    bool mBound = false;
    // After a transport failure mid-reply the pipe holds an unknown remainder;
    // nothing more can be read from it.
    bool mBroken = false;
    bool mRequestSent = false;
    // Bytes read from the pipe and not yet taken, from mInboxAt on.
    std::vector<std::uint8_t> mInbox;
    std::size_t mInboxAt = 0;
    // What the reply has said is still coming beyond mInbox.
    std::size_t mPromised = 0;
    // The length of the last fragment read: the guess for the next one's.
    std::size_t mLastFragment = 0;
};

}  // namespace smb
