#include "DceRpcPdu.h"

#include <algorithm>
#include <cstring>

#include "NdrReader.h"
#include "NdrWriter.h"

namespace smb::dcerpc {
namespace {

constexpr std::uint8_t kDrepLittleEndian = 0x10;

void WriteHeader(NdrWriter& w, std::uint8_t ptype, std::uint8_t flags, std::uint32_t callId) {
    w.U8(5);  // version
    w.U8(0);  // minor version
    w.U8(ptype);
    w.U8(flags);
    w.U8(kDrepLittleEndian);
    w.U8(0);
    w.U8(0);
    w.U8(0);
    w.U16(0);  // frag_length, patched when the PDU is complete
    w.U16(0);  // auth_length
    w.U32(callId);
}

std::vector<std::uint8_t> Finish(NdrWriter& w) {
    std::vector<std::uint8_t> pdu = w.Take();
    const auto length = static_cast<std::uint16_t>(pdu.size());
    pdu[8] = static_cast<std::uint8_t>(length);
    pdu[9] = static_cast<std::uint8_t>(length >> 8);
    return pdu;
}

void WriteSyntax(NdrWriter& w, const SyntaxId& s) {
    w.Bytes(s.uuid.data(), s.uuid.size());
    w.U16(s.major);
    w.U16(s.minor);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

}  // namespace

SyntaxId MakeSyntax(const char* uuid, std::uint16_t major, std::uint16_t minor) {
    std::array<std::uint8_t, 16> plain{};
    std::size_t n = 0;
    for (const char* p = uuid; *p != 0 && p[1] != 0 && n < plain.size();) {
        if (*p == '-') {
            ++p;
            continue;
        }
        plain[n++] = static_cast<std::uint8_t>(HexDigit(p[0]) << 4 | HexDigit(p[1]));
        p += 2;
    }
    SyntaxId s;
    s.uuid = plain;
    // time_low, time_mid and time_hi_and_version travel little-endian.
    std::reverse(s.uuid.begin(), s.uuid.begin() + 4);
    std::reverse(s.uuid.begin() + 4, s.uuid.begin() + 6);
    std::reverse(s.uuid.begin() + 6, s.uuid.begin() + 8);
    s.major = major;
    s.minor = minor;
    return s;
}

const SyntaxId& NdrTransferSyntax() {
    static const SyntaxId ndr = MakeSyntax("8a885d04-1ceb-11c9-9fe8-08002b104860", 2, 0);
    return ndr;
}

NET_API_STATUS DecodeHeader(Bytes header, Header& out) {
    out = {};
    if (header.size() < kHeaderSize) return RPC_S_PROTOCOL_ERROR;
    if (header[0] != 5 || header[1] != 0) return RPC_S_PROTOCOL_ERROR;
    // Replies come in the representation we asked in: little-endian integers,
    // ASCII characters, IEEE floats.
    if ((header[4] & 0xF0) != kDrepLittleEndian || (header[4] & 0x0F) != 0 || header[5] != 0)
        return RPC_S_PROTOCOL_ERROR;
    out.ptype = header[2];
    out.flags = header[3];
    out.fragLength = static_cast<std::uint16_t>(header[8] | header[9] << 8);
    out.authLength = static_cast<std::uint16_t>(header[10] | header[11] << 8);
    out.callId = static_cast<std::uint32_t>(header[12]) | static_cast<std::uint32_t>(header[13]) << 8 |
                 static_cast<std::uint32_t>(header[14]) << 16 |
                 static_cast<std::uint32_t>(header[15]) << 24;
    if (out.fragLength < kHeaderSize) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

std::vector<std::uint8_t> EncodeBind(std::uint32_t callId, const SyntaxId& abstract,
                                     std::uint16_t maxXmit, std::uint16_t maxRecv) {
    NdrWriter w;
    WriteHeader(w, kBind, kFirstFrag | kLastFrag, callId);
    w.U16(maxXmit);
    w.U16(maxRecv);
    w.U32(0);  // association group: a new one
    w.U8(1);   // one presentation context
    w.U8(0);
    w.U16(0);
    w.U16(0);  // context id
    w.U8(1);   // one transfer syntax
    w.U8(0);
    WriteSyntax(w, abstract);
    WriteSyntax(w, NdrTransferSyntax());
    return Finish(w);
}

NET_API_STATUS DecodeBindAck(Bytes pdu, std::uint16_t& serverMaxRecv) {
    serverMaxRecv = 0;
    Header h;
    if (DecodeHeader(pdu, h) != netapi::NERR_Success) return RPC_S_PROTOCOL_ERROR;
    if (h.fragLength != pdu.size()) return RPC_S_PROTOCOL_ERROR;
    if (h.ptype == kBindNak) return RPC_S_SERVER_UNAVAILABLE;
    if (h.ptype != kBindAck) return RPC_S_PROTOCOL_ERROR;
    NdrReader r(pdu);
    std::uint16_t maxXmit = 0, maxRecv = 0, addrLength = 0, result = 0, reason = 0;
    std::uint32_t assoc = 0;
    std::uint8_t results = 0;
    if (!r.Skip(kHeaderSize) || !r.U16(maxXmit) || !r.U16(maxRecv) || !r.U32(assoc) ||
        !r.U16(addrLength) || !r.Skip(addrLength) || !r.Align(4) || !r.U8(results) ||
        !r.Skip(3))
        return RPC_S_PROTOCOL_ERROR;
    if (results < 1 || !r.U16(result) || !r.U16(reason) || !r.Skip(20))
        return RPC_S_PROTOCOL_ERROR;
    if (result != 0) return RPC_S_SERVER_UNAVAILABLE;
    // The server's receive limit bounds our fragments; below the request
    // header plus one 8-byte unit nothing could be sent.
    if (maxRecv < kRequestHeaderSize + 8) return RPC_S_PROTOCOL_ERROR;
    serverMaxRecv = maxRecv;
    return netapi::NERR_Success;
}

std::vector<std::vector<std::uint8_t>> EncodeRequest(std::uint32_t callId, std::uint16_t contextId,
                                                     std::uint16_t opnum, Bytes stub,
                                                     std::uint16_t maxFrag) {
    std::size_t room = maxFrag > kRequestHeaderSize + 8 ? maxFrag - kRequestHeaderSize : 8;
    room -= room % 8;
    std::vector<std::vector<std::uint8_t>> fragments;
    std::size_t at = 0;
    do {
        const std::size_t take = std::min(room, stub.size() - at);
        std::uint8_t flags = 0;
        if (at == 0) flags |= kFirstFrag;
        if (at + take == stub.size()) flags |= kLastFrag;
        NdrWriter w;
        WriteHeader(w, kRequest, flags, callId);
        w.U32(static_cast<std::uint32_t>(stub.size() - at));  // alloc hint
        w.U16(contextId);
        w.U16(opnum);
        w.Bytes(stub.data() + at, take);
        fragments.push_back(Finish(w));
        at += take;
    } while (at < stub.size());
    return fragments;
}

NET_API_STATUS DecodeResponseFragment(Bytes pdu, std::vector<std::uint8_t>& stub) {
    Header h;
    if (DecodeHeader(pdu, h) != netapi::NERR_Success) return RPC_S_PROTOCOL_ERROR;
    if (h.fragLength != pdu.size() || pdu.size() < kRequestHeaderSize) return RPC_S_PROTOCOL_ERROR;
    // We never ask for authentication, so no trailer can be expected.
    if (h.authLength != 0) return RPC_S_PROTOCOL_ERROR;
    if (h.ptype == kFault) {
        NdrReader r(pdu);
        std::uint32_t status = 0;
        if (!r.Skip(kRequestHeaderSize) || !r.U32(status)) return RPC_S_PROTOCOL_ERROR;
        return FaultToStatus(status);
    }
    if (h.ptype != kResponse) return RPC_S_PROTOCOL_ERROR;
    stub.insert(stub.end(), pdu.begin() + kRequestHeaderSize, pdu.end());
    return netapi::NERR_Success;
}

NET_API_STATUS FaultToStatus(std::uint32_t fault) {
    switch (fault) {
    case 0x1C010002: return RPC_S_PROCNUM_OUT_OF_RANGE;  // nca_s_op_rng_error
    case 0x1C010003: return RPC_S_SERVER_UNAVAILABLE;     // nca_s_unk_if
    case 0x1C01000B: return RPC_S_PROTOCOL_ERROR;         // nca_s_proto_error
    case 0x1C00001A: return 6;                            // context mismatch: a stale handle
    case 0x1C000012: return RPC_X_BAD_STUB_DATA;          // nca_s_fault_ndr (old form)
    case 0x00000000: return RPC_S_CALL_FAILED;            // a fault must carry a reason
    default: break;
    }
    // Windows and Samba put platform error codes (5, 1783, ...) in faults as they are.
    if (fault <= 0xFFFF) return fault;
    return RPC_S_CALL_FAILED;
}

}  // namespace smb::dcerpc
