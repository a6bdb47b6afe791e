// The DCE/RPC client over a scripted pipe: binding, fragments both ways,
// reading ahead on the reply's word, faults, and a stream that is out of step.
#include <gtest/gtest.h>

#include "SmbTestServer.h"
#include "smb/DceRpcClient.h"
#include "smb/RpcBinding.h"

namespace {

using namespace smb;
using smbtest::Stub;

const dcerpc::SyntaxId kSrvsvc = dcerpc::MakeSyntax("4b324fc8-1670-01d3-1278-5a47bf6ee188", 3, 0);

struct Client {
    explicit Client(smbtest::ScriptedPipe::Handler answer = [](const smbtest::Request&) { return Stub(4); },
                    std::size_t maxStub = 4256)
        : pipe(new smbtest::ScriptedPipe(std::move(answer), maxStub)), rpc(std::unique_ptr<BytePipe>(pipe)) {}
    smbtest::ScriptedPipe* pipe;  // owned by rpc
    DceRpcClient rpc;
};

Stub Counting(std::size_t n) {
    Stub s(n);
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<std::uint8_t>(i * 7);
    return s;
}

// A reply of 24 fragments arrives whole from both kinds of pipe. A byte
// stream is read ahead on the reply's hint, one round trip a fragment instead
// of two (header, body). Windows' message pipes fail a read that ends inside a
// message (a byte stream's 16-byte header read), so such a pipe is read by
// whole messages, reading on while the server says more of one is waiting.
TEST(SmbRpc, LargeReplyIsReassembledFromEitherKindOfPipe) {
    const Stub reply = Counting(100000);
    for (const bool messages : {false, true}) {
        SCOPED_TRACE(messages ? "message pipe" : "byte stream");
        Client c(
            [&](const smbtest::Request& r) {
                EXPECT_EQ(r.opnum, 9);
                return reply;
            },
            messages ? 8000 : 4256);  // a message pipe's fragments are longer than one read
        c.pipe->messageMode = messages;
        ASSERT_EQ(c.rpc.Bind(kSrvsvc), 0u);
        Stub got;
        ASSERT_EQ(c.rpc.Call(9, {1, 2, 3, 4}, got), 0u);
        EXPECT_EQ(got, reply);
        EXPECT_FALSE(c.pipe->overRead);
        if (messages) {
            EXPECT_GT(c.pipe->overflows, 0);
            ASSERT_EQ(c.pipe->Write(dcerpc::EncodeRequest(9, 0, 9, {}, 5840).front()), 0u);
            std::uint8_t header[16];
            EXPECT_NE(c.pipe->ReadExact(header), 0u);
            continue;
        }
        EXPECT_LE(c.pipe->roundTrips, 2u + 24u + 4u);
        ASSERT_EQ(c.rpc.Call(9, {}, got), 0u);
        EXPECT_EQ(got.size(), reply.size());
        EXPECT_FALSE(c.pipe->overRead);
    }
}

TEST(SmbRpc, AReplysHintIsOnlyTheServersWord) {
    const Stub first = Counting(3000), last = Counting(500);
    Stub whole = first;
    whole.insert(whole.end(), last.begin(), last.end());
    const std::tuple<const char*, std::uint32_t, bool> cases[] = {
        {"no hint: read exactly, fragment by fragment", 0, true},
        {"a hint short of the truth", 3100, true},
        {"the truth", 3500, true},
        // The real pipe would wait for the call's deadline, as for a server that stalls.
        {"a hint beyond what comes", 1000000, false},
    };
    for (const auto& [name, hint, answered] : cases) {
        SCOPED_TRACE(name);
        Client c;
        ASSERT_EQ(c.rpc.Bind(kSrvsvc), 0u);
        Stub both = smbtest::ResponsePdu(2, first, dcerpc::kFirstFrag, hint);
        const Stub tail = smbtest::ResponsePdu(2, last, dcerpc::kLastFrag, 500);
        both.insert(both.end(), tail.begin(), tail.end());
        c.pipe->injected.push_back(both);
        Stub got;
        EXPECT_EQ(c.rpc.Call(9, {}, got) == 0u, answered);
        EXPECT_EQ(got, answered ? whole : Stub{});
        EXPECT_EQ(c.rpc.Broken(), !answered);
        EXPECT_EQ(c.pipe->overRead, !answered);  // a read past what came is the stall
    }
}

TEST(SmbRpc, LargeRequestIsSentInFragmentsWithinTheServersLimit) {
    const Stub request = Counting(10000);
    Stub received;
    Client c([&](const smbtest::Request& r) {
        received = r.stub;
        return Stub(4);
    });
    ASSERT_EQ(c.rpc.Bind(kSrvsvc), 0u);
    Stub got;
    ASSERT_EQ(c.rpc.Call(22, request, got), 0u);
    EXPECT_EQ(received, request);
    ASSERT_EQ(c.pipe->written.size(), 4u);  // the bind and three fragments
    for (std::size_t i = 1; i < c.pipe->written.size(); ++i) {
        const Stub& f = c.pipe->written[i];
        EXPECT_LE(f.size(), 4280u);
        EXPECT_EQ(f[8] | f[9] << 8, static_cast<int>(f.size()));
        EXPECT_EQ((f[3] & dcerpc::kFirstFrag) != 0, i == 1);
        EXPECT_EQ((f[3] & dcerpc::kLastFrag) != 0, i == 3);
    }
}

// A fault gives its status and the pipe stays usable; a refused bind leaves
// none to call on.
TEST(SmbRpc, FaultsAndARefusedBind) {
    Client c;
    ASSERT_EQ(c.rpc.Bind(kSrvsvc), 0u);
    Stub got;
    c.pipe->injected.push_back(smbtest::FaultPdu(2, 5));  // access denied
    EXPECT_EQ(c.rpc.Call(11, {}, got), 5u);
    EXPECT_FALSE(c.rpc.Broken());
    c.pipe->injected.push_back(smbtest::FaultPdu(3, 0x1C010002));  // no such operation
    EXPECT_EQ(c.rpc.Call(99, {}, got), dcerpc::RPC_S_PROCNUM_OUT_OF_RANGE);
    EXPECT_EQ(c.rpc.Call(11, {}, got), 0u);

    Client refused;
    refused.pipe->injected.push_back(smbtest::BindAckPdu(1, 4280, 2));  // provider rejection
    EXPECT_EQ(refused.rpc.Bind(kSrvsvc), dcerpc::RPC_S_SERVER_UNAVAILABLE);
    EXPECT_EQ(refused.rpc.Call(9, {}, got), dcerpc::RPC_S_CALL_FAILED);
}

TEST(SmbRpc, OutOfStepOrMalformedRepliesBreakThePipe) {
    Stub shortFrag = smbtest::ResponsePdu(2, {0, 0, 0, 0}, 3);
    shortFrag[8] = 12;  // shorter than its own header (the high byte is 0 already)
    Stub bigEndian = smbtest::ResponsePdu(2, {0, 0, 0, 0}, 3);
    bigEndian[4] = 0x00;
    const std::pair<const char*, Stub> cases[] = {
        {"other call id", smbtest::ResponsePdu(7, {0, 0, 0, 0}, 3)},
        {"fragment length below header", shortFrag},
        {"big-endian data", bigEndian},
        {"first fragment flag missing", smbtest::ResponsePdu(2, {0, 0, 0, 0}, dcerpc::kLastFrag)},
        {"a bind answer instead", smbtest::BindAckPdu(2, 4280)},
    };
    for (const auto& [name, pdu] : cases) {
        SCOPED_TRACE(name);
        Client c;
        ASSERT_EQ(c.rpc.Bind(kSrvsvc), 0u);
        c.pipe->injected.push_back(pdu);
        Stub got;
        EXPECT_NE(c.rpc.Call(9, {}, got), 0u);
        EXPECT_TRUE(got.empty());
        EXPECT_TRUE(c.rpc.Broken());
        EXPECT_NE(c.rpc.Call(9, {}, got), 0u);  // and stays unusable
    }
}

TEST(SmbRpc, KeptPipeIsReopenedOnlyWhenTheRequestNeverLeft) {
    int calls = 0;
    smbtest::ScriptedServers servers([&](const std::string&, const std::string&, const smbtest::Request&) {
        ++calls;
        return Stub{0, 0, 0, 0};
    });
    RpcBinding binding(servers, "srv", "srvsvc", kSrvsvc);
    Stub got;
    ASSERT_EQ(binding.Call(11, {}, got), 0u);
    ASSERT_EQ(servers.opened.size(), 1u);

    // The server dropped the idle pipe: the write fails, a new pipe carries the call.
    servers.pipes.back()->dropped = true;
    EXPECT_EQ(binding.Call(11, {}, got), 0u);
    EXPECT_EQ(servers.opened.size(), 2u);
    EXPECT_EQ(calls, 2);

    // The request left but no answer came: it may have run, so it is not repeated.
    servers.pipes.back()->injected.push_back(Stub{5, 0});  // a torn header, then silence
    EXPECT_NE(binding.Call(11, {}, got), 0u);
    EXPECT_EQ(servers.opened.size(), 2u);
    EXPECT_EQ(binding.Call(11, {}, got), 0u);
    EXPECT_EQ(servers.opened.size(), 3u);
}

}  // namespace
