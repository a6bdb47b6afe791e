#pragma once
// Connection-oriented DCE/RPC protocol data units (version 5.0, little-endian
// NDR): building binds and requests, checking headers, reading bind answers,
// responses and faults. Pure functions over bytes; every input is untrusted.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "netenum/netapi.h"

namespace smb::dcerpc {

using netapi::NET_API_STATUS;
using Bytes = std::span<const std::uint8_t>;

constexpr std::uint8_t kRequest = 0;
constexpr std::uint8_t kResponse = 2;
constexpr std::uint8_t kFault = 3;
constexpr std::uint8_t kBind = 11;
constexpr std::uint8_t kBindAck = 12;
constexpr std::uint8_t kBindNak = 13;

constexpr std::uint8_t kFirstFrag = 0x01;
constexpr std::uint8_t kLastFrag = 0x02;

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kRequestHeaderSize = 24;
// The fragment size we offer both ways. Servers answer with the smaller of
// theirs and ours (Samba: at most 5840); every reply fragment costs two reads
// on the pipe, so larger fragments mean fewer round trips for a long list.
constexpr std::uint16_t kDefaultMaxFrag = 5840;

using netapi::RPC_S_CALL_FAILED;
using netapi::RPC_S_PROCNUM_OUT_OF_RANGE;
using netapi::RPC_S_PROTOCOL_ERROR;
using netapi::RPC_S_SERVER_UNAVAILABLE;
using netapi::RPC_X_BAD_STUB_DATA;

// An interface or transfer syntax: its UUID in wire order and its version.
struct SyntaxId {
    std::array<std::uint8_t, 16> uuid{};
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
};

// Parses "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" into wire order (the first
// three groups little-endian). Only for our own constant strings.
SyntaxId MakeSyntax(const char* uuid, std::uint16_t major, std::uint16_t minor);
const SyntaxId& NdrTransferSyntax();

struct Header {
    std::uint8_t ptype = 0;
    std::uint8_t flags = 0;
    std::uint16_t fragLength = 0;
    std::uint16_t authLength = 0;
    std::uint32_t callId = 0;
};

// Checks version, data representation and the fragment length (at least the
// header itself).
NET_API_STATUS DecodeHeader(Bytes header, Header& out);

std::vector<std::uint8_t> EncodeBind(std::uint32_t callId, const SyntaxId& abstract,
                                     std::uint16_t maxXmit, std::uint16_t maxRecv);
// A whole bind answer (header included). Success gives the largest fragment
// the server accepts; a refusal gives RPC_S_SERVER_UNAVAILABLE.
NET_API_STATUS DecodeBindAck(Bytes pdu, std::uint16_t& serverMaxRecv);

// The request split into fragments no longer than `maxFrag` bytes each.
std::vector<std::vector<std::uint8_t>> EncodeRequest(std::uint32_t callId, std::uint16_t contextId,
                                                     std::uint16_t opnum, Bytes stub,
                                                     std::uint16_t maxFrag);

// One whole response or fault fragment (header included): appends its stub to
// `stub`. A fault gives the status it carries, mapped to the platform's code.
NET_API_STATUS DecodeResponseFragment(Bytes pdu, std::vector<std::uint8_t>& stub);

NET_API_STATUS FaultToStatus(std::uint32_t fault);

}  // namespace smb::dcerpc
