#pragma once
// Test doubles for the SMB provider: reply stubs built the way a server
// marshals them, and a scripted server behind the PipeOpener interface that
// answers binds and requests the way a named pipe does, one PDU per read
// request size, failing any read that asks for more than the PDU has left.
#include <cstdint>
#include <deque>
#include <optional>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "netenum/Provider.h"
#include "smb/NdrReader.h"
#include "smb/NdrWriter.h"
#include "smb/PipeOpener.h"
#include "smb/Samr.h"

namespace smbtest {

using Stub = std::vector<std::uint8_t>;
using netapi::DWORD;

Stub FileEnumReply(const std::vector<netapi::FileInfo3>& records, DWORD total, DWORD resume,
                   DWORD status);
Stub SessionEnumReply(DWORD level, const std::vector<netapi::SessionInfo502>& records,
                      DWORD total, DWORD resume, DWORD status);
// Level 1 or 2.
Stub ShareEnumReply(DWORD level, const std::vector<netapi::ShareInfo2>& records, DWORD total,
                    DWORD resume, DWORD status);
Stub ConnectionEnumReply(const std::vector<netapi::ConnectionInfo1>& records, DWORD total,
                         DWORD resume, DWORD status);
Stub ServerInfoReply(const netapi::ServerInfo101* info, DWORD status);
Stub FileGetInfoReply(const netapi::FileInfo3* file, DWORD status);
Stub RemoteTODReply(const netapi::TimeOfDay* tod, DWORD status);
Stub StatusReply(DWORD status);
Stub UserAllReply(const smb::samr::UserAll& user, std::uint32_t ntstatus);

template <typename... V>
void U32s(smb::NdrWriter& w, V... v) {
    (w.U32(static_cast<std::uint32_t>(v)), ...);
}
// An RPC_UNICODE_STRING's inline part: lengths in bytes and the buffer's referent.
void CountedHeader(smb::NdrWriter& w, const std::u16string& s);

Stub BindAckPdu(std::uint32_t callId, std::uint16_t maxRecv, std::uint16_t result = 0);
// `allocHint`: what the fragment claims is left of the reply (its own stub when absent).
Stub ResponsePdu(std::uint32_t callId, const Stub& stubPart, std::uint8_t flags,
                 std::optional<std::uint32_t> allocHint = std::nullopt);
Stub FaultPdu(std::uint32_t callId, std::uint32_t status);

struct Request {
    std::uint16_t opnum = 0;
    std::uint32_t callId = 0;
    Stub stub;
};

struct Reply {
    Reply(Stub s, std::optional<std::uint32_t> f = std::nullopt)  // NOLINT: handlers return stubs
        : stub(std::move(s)), fault(f) {}
    static Reply Fault(std::uint32_t status) { return Reply(Stub{}, status); }
    Stub stub;
    std::optional<std::uint32_t> fault;
};

// Request arguments, bounds-checked: a word (0 past the end), a top-level unique string.
std::uint32_t ReadU32(smb::NdrReader& in);
std::optional<std::u16string> ReadUniqueString(smb::NdrReader& in);

// A pipe served by a handler: binds are acknowledged, each request goes to
// the handler, whose answer comes back in fragments.
class ScriptedPipe final : public smb::BytePipe {
public:
    using Handler = std::function<Reply(const Request&)>;
    ScriptedPipe(Handler handler, std::size_t maxStub) : mHandler(std::move(handler)), mMaxStub(maxStub) {}
    ~ScriptedPipe() override {
        if (onDestroy) onDestroy();
    }

    netapi::NET_API_STATUS Write(std::span<const std::uint8_t> data) override;
    netapi::NET_API_STATUS ReadExact(std::span<std::uint8_t> out) override;
    bool MessageMode() const override { return messageMode; }
    netapi::NET_API_STATUS ReadMessage(std::span<std::uint8_t> out, std::size_t& got,
                                       bool& more) override;

    // Windows' RPC pipes: each PDU is a message, and a read that ends inside
    // one is a byte-stream read such a pipe fails (STATUS_BUFFER_OVERFLOW).
    bool messageMode = false;
    // Reads that stopped inside a message: the overflow Windows answers.
    int overflows = 0;
    // A read for more than the server had sent: the real pipe would block.
    bool overRead = false;
    // What the reads so far would cost a message pipe: a round trip per message (PDU) touched.
    std::size_t roundTrips = 0;
    std::function<void()> onOverRead;
    std::vector<Stub> written;
    // Raw PDUs to send instead of the next answer (a bind's too), for malformed replies.
    std::deque<Stub> injected;
    // Fail every write from now on, as a pipe the server dropped does.
    bool dropped = false;
    // Runs before every round trip, e.g. to make the server slow.
    std::function<void()> beforeRead;
    std::function<void()> onDestroy;

private:
    Handler mHandler;
    std::size_t mMaxStub;
    void Queue(Stub pdu);
    // A read with nothing (enough) waiting: the real pipe would wait for its timeout.
    netapi::NET_API_STATUS Stall();
    // Moves `n` bytes of the front message to `out`; true when that ends the message.
    bool Take(std::uint8_t* out, std::size_t n);

    std::deque<Stub> mOutgoing;  // whole PDUs, the stream the client reads
    std::size_t mOffset = 0;     // into mOutgoing.front()
    std::size_t mQueued = 0;     // bytes sent and not yet read
    Stub mPending;               // request fragments waiting for the last one
};

class ScriptedServers final : public smb::PipeOpener {
public:
    using Handler = std::function<Reply(const std::string& host, const std::string& pipe,
                                        const Request&)>;
    explicit ScriptedServers(Handler handler) : mHandler(std::move(handler)) {}

    netapi::NET_API_STATUS Open(const std::string& host, const std::string& pipe,
                                std::unique_ptr<smb::BytePipe>& out) override;

    std::map<std::string, netapi::NET_API_STATUS> unreachable;  // host -> status
    // What hosts answer the reachability check (0 where absent); a hook run as it starts.
    std::map<std::string, netapi::NET_API_STATUS> reach;
    std::function<void()> onCheck;
    std::vector<netapi::NET_API_STATUS> Reachable(
        const std::vector<std::string>& hosts,
        const std::function<void(std::size_t)>& answered) override;
    // The password of the account given for a host, where one was: only
    // "right" logs on. With `needsAccount`, so must every host.
    std::map<std::string, std::string> passwords;
    bool needsAccount = false;
    void UseAccount(const std::string& host, const logon::Account& a) override { passwords[host] = a.password; }
    void ForgetAccount(const std::string& host) override { passwords.erase(host); }
    bool LogsOnWithAccount(const std::string& host) override { return passwords.contains(host); }
    std::size_t attempts = 0;                                  // every Open, reachable or not
    std::vector<std::string> probed;                           // hosts checked for reachability
    std::function<void(const std::string& host, const std::string& pipe, ScriptedPipe&)> onOpen;
    // Pipes the servers do not have (Samba has no terminal services): 1722.
    std::vector<std::string> missingPipes;
    std::vector<std::string> opened;                           // "host/pipe", in order
    std::vector<ScriptedPipe*> pipes;                          // live while the provider keeps them
    int overReads = 0;                                         // by any pipe, even one gone since
    std::size_t maxStub = 4256;
    std::u16string account = u"admin";
    std::vector<std::u16string> AccountNames(const std::string&) const override { return {account}; }

private:
    Handler mHandler;
};

// Scripted servers that answer alike whatever the host and the pipe.
inline std::shared_ptr<ScriptedServers> Serving(std::function<Reply(const Request&)> answer) {
    return std::make_shared<ScriptedServers>(
        [answer = std::move(answer)](const std::string&, const std::string&, const Request& r) {
            return answer(r);
        });
}

inline Stub ServerOfType(DWORD type) {
    netapi::ServerInfo101 info;
    info.type = type;
    return ServerInfoReply(&info, 0);
}

template <typename Provider>
std::vector<std::u16string> ListedNames(Provider& provider, DWORD mask) {
    std::vector<std::u16string> out;
    for (const auto& r : provider.ServerEnum(mask, std::nullopt).records) out.push_back(*r.name);
    return out;
}

}  // namespace smbtest
