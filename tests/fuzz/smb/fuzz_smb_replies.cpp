// Feeds arbitrary bytes to every decoder of server replies: the srvsvc, samr
// and terminal-services stubs, the DCE/RPC PDUs, and the client's fragment reassembly reading
// a whole reply stream from the pipe.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "SmbTestServer.h"
#include "smb/DcLocator.h"
#include "smb/DceRpcClient.h"
#include "smb/DceRpcPdu.h"
#include "smb/Lsa.h"
#include "smb/Samr.h"
#include "smb/Srvsvc.h"
#include "smb/WinStation.h"

using namespace smb;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    // Copy so that the sanitizer's bounds are exactly the input's.
    const std::vector<std::uint8_t> body(data + 1, data + size);
    const std::span<const std::uint8_t> b(body);
    netapi::NET_API_STATUS status = 0;
    std::uint32_t nt = 0;
    switch (selector % 16) {
    case 0: { srvsvc::EnumReply<netapi::FileInfo3> r; srvsvc::DecodeFileEnum(b, r); break; }
    case 1: { srvsvc::EnumReply<netapi::SessionInfo502> r; srvsvc::DecodeSessionEnum(b, 502, r); break; }
    case 2: { srvsvc::EnumReply<netapi::SessionInfo502> r; srvsvc::DecodeSessionEnum(b, 1, r); break; }
    case 3: { srvsvc::EnumReply<netapi::SessionInfo502> r; srvsvc::DecodeSessionEnum(b, 10, r); break; }
    case 4: { srvsvc::EnumReply<netapi::ShareInfo2> r; srvsvc::DecodeShareEnumAll(b, 2, r);
              srvsvc::DecodeShareEnumAll(b, 1, r); break; }
    case 5: { srvsvc::EnumReply<netapi::ConnectionInfo1> r; srvsvc::DecodeConnectionEnum(b, r); break; }
    case 6: { netapi::ServerInfo101 i; srvsvc::DecodeServerGetInfo101(b, i, status); break; }
    case 7: { netapi::TimeOfDay t; srvsvc::DecodeRemoteTOD(b, t, status); srvsvc::DecodeServerSetInfo(b, status); srvsvc::DecodeStatusOnly(b, status); break; }
    case 8: { samr::UserAll u; if (samr::DecodeQueryUserAll(b, u, nt) == 0) samr::ToUserInfo3(u, 0); break; }
    case 9: { std::vector<std::u16string> names; std::uint32_t resume; samr::DecodeEnumDomains(b, names, resume, nt); break; }
    case 10: { samr::Sid sid; samr::DecodeLookupDomain(b, sid, nt); std::uint32_t rid, type; samr::DecodeLookupName(b, rid, type, nt);
               lsa::DomainInfo d; lsa::DecodeQueryDomain(b, lsa::kPolicyDnsDomainInformation, d, nt);
               lsa::DecodeQueryDomain(b, lsa::kPolicyPrimaryDomainInformation, d, nt);
               smb::ParseSrvAnswer(b.data(), b.size()); break; }
    case 11: { samr::Handle h; samr::DecodeHandle(b, h, nt); samr::DecodeConnect5(b, h, nt);
               std::uint32_t acb; samr::DecodeQueryUserControl(b, acb, nt); break; }
    case 12: { std::uint16_t maxRecv; dcerpc::DecodeBindAck(b, maxRecv); break; }
    case 13: { std::vector<std::uint8_t> stub; dcerpc::DecodeResponseFragment(b, stub); break; }
    case 14: {
        winsta::Handle h;
        winsta::Outcome o;
        winsta::DecodeOpenServer(b, h, o);
        winsta::DecodeCloseServer(b, o);
        winsta::DecodeSendMessage(b, o);
        std::vector<winsta::Session> sessions;
        std::uint32_t index = 0;
        winsta::DecodeEnumerate(b, 32 * winsta::kLogonIdBytes, sessions, index, o);
        std::u16string domain, user;
        winsta::DecodeQueryInformation(b, 2, domain, user, o);
        break;
    }
    default: {
        // A bind answer and a reply stream, as the pipe would deliver them;
        // call ids are forced to match so the fuzzer reaches reassembly.
        std::vector<std::uint8_t> stream(body);
        for (std::size_t at = 0; at + 16 <= stream.size();) {
            const std::uint32_t callId = at == 0 ? 1 : 2;
            std::memcpy(stream.data() + at + 12, &callId, 4);
            const std::size_t frag = stream[at + 8] | stream[at + 9] << 8;
            if (frag < 16) break;
            at += frag;
        }
        // The whole stream answers the bind; a fault follows it, should a read outrun it.
        auto pipe = std::make_unique<smbtest::ScriptedPipe>(
            [](const smbtest::Request&) { return smbtest::Reply::Fault(0x1C010002); }, 4256);
        pipe->injected.push_back(stream);
        DceRpcClient client(std::move(pipe));
        if (client.Bind(dcerpc::MakeSyntax("4b324fc8-1670-01d3-1278-5a47bf6ee188", 3, 0)) == 0) {
            std::vector<std::uint8_t> reply;
            if (client.Call(9, {1, 2, 3, 4}, reply) == 0) {
                srvsvc::EnumReply<netapi::FileInfo3> r;
                srvsvc::DecodeFileEnum(reply, r);
            }
        }
        break;
    }
    }
    return 0;
}
