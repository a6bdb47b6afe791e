#include "WinStation.h"

#include <algorithm>

#include "NdrReader.h"
#include "NdrWriter.h"

namespace smb::winsta {
namespace {

using netapi::NERR_Success;
using netapi::RPC_S_PROTOCOL_ERROR;

void WriteHandle(NdrWriter& w, const Handle& h) {
    w.Align(4);
    w.Bytes(h.data(), h.size());
}

// The pResult ... BOOLEAN frame every reply ends with.
bool ReadOutcomeTail(NdrReader& r, Outcome& out) {
    std::uint8_t ok = 0;
    if (!r.U8(ok)) return false;
    out.ok = ok != 0;
    return true;
}

// A [unique, size_is(n)] byte buffer going in: referent, count, n zeros.
void WriteBuffer(NdrWriter& w, std::uint32_t bytes) {
    w.U32(w.Referent());
    w.U32(bytes);
    w.Bytes(Stub(bytes, 0).data(), bytes);
}

// The same coming back: null, or a count no larger than what was sent.
bool ReadBuffer(NdrReader& r, std::uint32_t sent, Bytes whole, Bytes& data) {
    bool present = false;
    data = {};
    if (!r.Pointer(present)) return false;
    if (!present) return true;
    std::uint32_t count = 0;
    if (!r.U32(count) || count > sent || count > r.Remaining()) return r.Fail();
    data = whole.subspan(r.Offset(), count);
    return r.Skip(count);
}

// A WCHAR[n] field of a raw record: up to its first NUL.
std::u16string FixedText(Bytes record, std::size_t at, std::size_t chars) {
    std::u16string s;
    for (std::size_t i = 0; i < chars && at + 2 * i + 1 < record.size(); ++i) {
        const auto c = static_cast<char16_t>(record[at + 2 * i] | record[at + 2 * i + 1] << 8);
        if (c == 0) break;
        s.push_back(c);
    }
    return s;
}

std::uint32_t Word(Bytes record, std::size_t at) {
    return static_cast<std::uint32_t>(record[at]) | static_cast<std::uint32_t>(record[at + 1]) << 8 |
           static_cast<std::uint32_t>(record[at + 2]) << 16 |
           static_cast<std::uint32_t>(record[at + 3]) << 24;
}

// A [size_is(n)] WCHAR array whose n the interface counts in bytes: the text,
// then NULs up to n elements, so that a server reading either way finds it.
void WriteText(NdrWriter& w, std::u16string_view text) {
    const auto length = static_cast<std::uint32_t>(text.size() * 2);
    w.U32(length);
    for (std::uint32_t i = 0; i < length; ++i)
        w.U16(i < text.size() ? static_cast<std::uint16_t>(text[i]) : 0);
    w.U32(length);
}

}  // namespace

Stub EncodeOpenServer() { return {}; }

NET_API_STATUS DecodeOpenServer(Bytes stub, Handle& server, Outcome& out) {
    NdrReader r(stub);
    out = {};
    if (!r.U32(out.result) || !r.Bytes(server.data(), server.size()) || !ReadOutcomeTail(r, out))
        return RPC_S_PROTOCOL_ERROR;
    return NERR_Success;
}

Stub EncodeCloseServer(const Handle& server) {
    NdrWriter w;
    WriteHandle(w, server);
    return w.Take();
}

NET_API_STATUS DecodeCloseServer(Bytes stub, Outcome& out) {
    NdrReader r(stub);
    out = {};
    if (!r.U32(out.result) || !ReadOutcomeTail(r, out)) return RPC_S_PROTOCOL_ERROR;
    return NERR_Success;
}

Stub EncodeEnumerate(const Handle& server, std::uint32_t index, std::uint32_t bufferBytes) {
    NdrWriter w;
    WriteHandle(w, server);
    w.U32(bufferBytes / kLogonIdBytes);  // pEntries: as many as fit
    WriteBuffer(w, bufferBytes);
    w.U32(bufferBytes);  // pByteCount
    w.U32(index);
    return w.Take();
}

NET_API_STATUS DecodeEnumerate(Bytes stub, std::uint32_t bufferBytes, std::vector<Session>& sessions,
                               std::uint32_t& index, Outcome& out) {
    NdrReader r(stub);
    out = {};
    sessions.clear();
    std::uint32_t entries = 0, byteCount = 0;
    Bytes data;
    if (!r.U32(out.result) || !r.U32(entries) || !ReadBuffer(r, bufferBytes, stub, data) ||
        !r.U32(byteCount) || !r.U32(index) || !ReadOutcomeTail(r, out))
        return RPC_S_PROTOCOL_ERROR;
    if (!out.ok || out.result != 0) return NERR_Success;
    // The entries claimed must be in the buffer that came.
    if (entries > data.size() / kLogonIdBytes) return RPC_S_PROTOCOL_ERROR;
    sessions.reserve(entries);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const Bytes record = data.subspan(i * kLogonIdBytes, kLogonIdBytes);
        sessions.push_back({Word(record, 0), FixedText(record, 4, kStationChars), Word(record, 72)});
    }
    return NERR_Success;
}

Stub EncodeQueryInformation(const Handle& server, std::uint32_t logonId) {
    NdrWriter w;
    WriteHandle(w, server);
    w.U32(logonId);
    w.U32(kWinStationInformation);
    WriteBuffer(w, kInformationBytes);
    w.U32(kInformationBytes);
    return w.Take();
}

NET_API_STATUS DecodeQueryInformation(Bytes stub, std::uint32_t logonId, std::u16string& domain,
                                      std::u16string& user, Outcome& out) {
    NdrReader r(stub);
    out = {};
    domain.clear();
    user.clear();
    std::uint32_t returned = 0;
    Bytes data;
    if (!r.U32(out.result) || !ReadBuffer(r, kInformationBytes, stub, data) || !r.U32(returned) ||
        !ReadOutcomeTail(r, out))
        return RPC_S_PROTOCOL_ERROR;
    if (!out.ok || out.result != 0) return NERR_Success;
    // A record of another layout (or another session) is not read as one.
    if (data.size() < kInformationBytes || Word(data, kInfoLogonIdAt) != logonId)
        return RPC_S_PROTOCOL_ERROR;
    domain = FixedText(data, kInfoDomainAt, kDomainChars);
    user = FixedText(data, kInfoUserNameAt, kUserChars);
    return NERR_Success;
}

Stub EncodeSendMessage(const Handle& server, std::uint32_t logonId, std::u16string_view title,
                       std::u16string_view text) {
    NdrWriter w;
    WriteHandle(w, server);
    w.U32(logonId);
    WriteText(w, title.substr(0, kMaxTextChars));
    WriteText(w, text.substr(0, kMaxTextChars));
    w.U32(0x40);  // Style: MB_OK with the information icon
    w.U32(0);     // Timeout: none
    w.U8(1);      // DoNotWait: the call must not wait for someone to click
    return w.Take();
}

NET_API_STATUS DecodeSendMessage(Bytes stub, Outcome& out) {
    NdrReader r(stub);
    out = {};
    std::uint32_t response = 0;
    if (!r.U32(out.result) || !r.U32(response) || !ReadOutcomeTail(r, out))
        return RPC_S_PROTOCOL_ERROR;
    return NERR_Success;
}

}  // namespace smb::winsta
