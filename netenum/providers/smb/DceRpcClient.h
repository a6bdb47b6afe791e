#pragma once
// A DCE/RPC client on one pipe: bind once to an interface, then calls.
// Responses are reassembled fragment by fragment, reading exactly the 16-byte
// header and then exactly the rest of each fragment.
#include <cstdint>
#include <memory>
#include <vector>

#include "BytePipe.h"
#include "DceRpcPdu.h"

namespace smb {

class DceRpcClient final {
public:
    explicit DceRpcClient(std::unique_ptr<BytePipe> pipe);

    netapi::NET_API_STATUS Bind(const dcerpc::SyntaxId& abstract);
    // Sends `stub` as operation `opnum` and returns the reply stub.
    netapi::NET_API_STATUS Call(std::uint16_t opnum, const std::vector<std::uint8_t>& stub,
                                std::vector<std::uint8_t>& reply);

    bool Bound() const { return mBound; }
    // The pipe can carry no more calls (a transport failure or a reply out of step).
    bool Broken() const { return mBroken || !mPipe->Usable(); }
    // Whether the last call's request reached the pipe whole; a call that
    // failed before that certainly did not run on the server.
    bool RequestSent() const { return mRequestSent; }

    // The largest reply we accept, whatever the fragments claim: a server
    // cannot make us hold more than this.
    static constexpr std::size_t kMaxReplyBytes = 32u * 1024 * 1024;
    // What a reply's allocation hint may reserve ahead: four whole fragments.
    static constexpr std::size_t kMaxHintedBytes = 4u * 65536;

private:
    netapi::NET_API_STATUS ReadFragment(std::vector<std::uint8_t>& pdu, dcerpc::Header& header);

    std::unique_ptr<BytePipe> mPipe;
    std::uint32_t mNextCallId = 1;
    std::uint16_t mMaxXmit = dcerpc::kDefaultMaxFrag;
    bool mBound = false;
    // After a transport failure mid-reply the pipe holds an unknown remainder;
    // nothing more can be read from it.
    bool mBroken = false;
    bool mRequestSent = false;
};

}  // namespace smb
