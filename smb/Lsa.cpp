#include "Lsa.h"

#include "NdrReader.h"
#include "NdrWriter.h"

namespace smb::lsa {

using samr::RPC_S_PROTOCOL_ERROR;

Stub EncodeOpenPolicy2(const std::u16string& server, std::uint32_t access) {
    NdrWriter w;
    w.UniqueString(server);
    // LSAPR_OBJECT_ATTRIBUTES, by reference: its length and nothing else set.
    w.Align(4);
    w.U32(24);
    w.NullPointer();  // RootDirectory
    w.NullPointer();  // ObjectName
    w.U32(0);         // Attributes
    w.NullPointer();  // SecurityDescriptor
    w.NullPointer();  // SecurityQualityOfService
    w.U32(access);
    return w.Take();
}

Stub EncodeQueryDomain(const samr::Handle& policy, std::uint16_t level) {
    NdrWriter w;
    w.Bytes(policy.data(), policy.size());
    w.U16(level);
    return w.Take();
}

namespace {

// Lsa's counted strings are followed by padding to four bytes.
bool ReadBody(NdrReader& r, const CountedHeader& h, std::u16string& out) {
    return r.CountedString(h, out) && (!h.present || r.Align(4));
}

}  // namespace

NET_API_STATUS DecodeQueryDomain(Bytes stub, std::uint16_t level, DomainInfo& out,
                                 std::uint32_t& ntstatus) {
    NdrReader r(stub);
    out = {};
    const bool ok = r.AnswerThenStatus(ntstatus, [&] {
        std::uint16_t answered = 0;
        if (!r.U16(answered) || answered != level || !r.Align(4)) return false;
        const bool dns = level == kPolicyDnsDomainInformation;
        if (!dns && level != kPolicyPrimaryDomainInformation) return false;
        CountedHeader name, dnsDomain, dnsForest;
        if (!r.CountedStringHeader(name)) return false;
        if (dns && (!r.CountedStringHeader(dnsDomain) || !r.CountedStringHeader(dnsForest) || !r.Skip(16)))
            return false;  // the GUID is skipped
        if (!r.Pointer(out.hasSid) || !ReadBody(r, name, out.name)) return false;
        if (dns && (!ReadBody(r, dnsDomain, out.dnsDomain) || !ReadBody(r, dnsForest, out.dnsForest)))
            return false;
        if (out.hasSid) {
            std::uint32_t count = 0;
            std::uint8_t revision = 0, subCount = 0;
            if (!r.U32(count) || !r.U8(revision) || !r.U8(subCount) || count != subCount ||
                count > 15 || !r.Skip(6 + 4 * static_cast<std::size_t>(count)))
                return false;
        }
        return true;
    });
    return ok ? netapi::NERR_Success : RPC_S_PROTOCOL_ERROR;
}

}  // namespace smb::lsa
