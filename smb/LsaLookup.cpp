#include "LsaLookup.h"

#include "NdrReader.h"
#include "NdrWriter.h"

namespace smb::lsa {

using netapi::AccountLookup;
using netapi::NET_API_STATUS;
using netapi::Sid;
using samr::RPC_S_PROTOCOL_ERROR;

namespace {

constexpr std::uint16_t kLookupWksta = 1;  // LsapLookupWksta

void WriteSid(NdrWriter& w, const Sid& sid) {
    w.U32(static_cast<std::uint32_t>(sid.subs.size()));  // conformance
    const auto bytes = sid.Bytes();
    w.Bytes(bytes.data(), bytes.size());
}

// A conformant RPC_SID: the count twice (conformance, then in the SID), the
// authority, the sub-authorities.
bool ReadSid(NdrReader& r, Sid& out) {
    std::uint32_t conformance = 0;
    std::uint8_t revision = 0, count = 0;
    if (!r.U32(conformance) || !r.U8(revision) || !r.U8(count)) return false;
    if (revision != 1 || count != conformance || count > Sid::kMaxSubAuthorities) return r.Fail();
    std::uint8_t authority[6];
    if (!r.Bytes(authority, 6)) return false;
    out.authority = 0;
    for (const std::uint8_t b : authority) out.authority = (out.authority << 8) | b;
    out.subs.resize(count);
    for (auto& sub : out.subs)
        if (!r.U32(sub)) return false;
    return true;
}

struct Domain {
    std::u16string name;
    std::optional<Sid> sid;
};

// The referenced domain list: a pointer, then {Entries, Domains*, MaxEntries}
// and the entries, each a counted name and a SID pointer.
bool ReadDomains(NdrReader& r, std::vector<Domain>& out) {
    bool present = false;
    if (!r.Pointer(present)) return false;
    if (!present) return true;
    std::uint32_t entries = 0, maxEntries = 0;
    bool list = false;
    if (!r.U32(entries) || !r.Pointer(list) || !r.U32(maxEntries)) return false;
    if (!list) return entries == 0 ? true : r.Fail();
    if (entries > kMaxLookups || !r.ArrayHeader(entries, 12)) return r.Fail();
    std::vector<CountedHeader> names(entries);
    std::vector<bool> sids(entries);
    for (std::uint32_t i = 0; i < entries; ++i) {
        bool sid = false;
        if (!r.CountedStringHeader(names[i]) || !r.Pointer(sid)) return false;
        sids[i] = sid;
    }
    out.resize(entries);
    for (std::uint32_t i = 0; i < entries; ++i) {
        if (!r.CountedString(names[i], out[i].name)) return false;
        if (sids[i] && !ReadSid(r, out[i].sid.emplace())) return false;
    }
    return true;
}

// SID_NAME_USE travels as a 16-bit enum.
netapi::SidUse UseOf(std::uint16_t use) {
    if (use >= 1 && use <= 9) return static_cast<netapi::SidUse>(use);
    return netapi::SidUse::Unknown;
}

bool Mapped(netapi::SidUse use) {
    return use != netapi::SidUse::Invalid && use != netapi::SidUse::Unknown &&
           use != netapi::SidUse::DeletedAccount;
}

}  // namespace

Stub EncodeLookup(const samr::Handle& policy, const std::vector<std::u16string>& names) {
    NdrWriter w;
    w.Bytes(policy.data(), policy.size());
    w.U32(static_cast<std::uint32_t>(names.size()));
    w.U32(static_cast<std::uint32_t>(names.size()));  // conformance
    for (const auto& name : names) {
        const auto bytes = static_cast<std::uint16_t>(name.size() * 2);
        w.U16(bytes);
        w.U16(bytes);
        w.U32(w.Referent());
    }
    for (const auto& name : names) w.CountedStringBody(name);
    w.U32(0);         // TranslatedSids: no entries
    w.NullPointer();
    w.U16(kLookupWksta);
    w.U32(0);         // MappedCount
    return w.Take();
}

Stub EncodeLookup(const samr::Handle& policy, const std::vector<Sid>& sids) {
    NdrWriter w;
    w.Bytes(policy.data(), policy.size());
    w.U32(static_cast<std::uint32_t>(sids.size()));
    w.U32(w.Referent());
    w.U32(static_cast<std::uint32_t>(sids.size()));  // conformance
    for (std::size_t i = 0; i < sids.size(); ++i) w.U32(w.Referent());
    for (const Sid& sid : sids) WriteSid(w, sid);
    w.U32(0);         // TranslatedNames: no entries
    w.NullPointer();
    w.U16(kLookupWksta);
    w.U32(0);
    return w.Take();
}

namespace {

// What both lookups answer first: the domains referred to, then the count
// of translations and whether they follow (none may be counted when not).
struct AnswerHead {
    std::vector<Domain> domains;
    std::uint32_t entries = 0;
    bool list = false;
};

bool ReadAnswerHead(NdrReader& r, AnswerHead& head) {
    return ReadDomains(r, head.domains) && r.U32(head.entries) && r.Pointer(head.list) &&
           (head.list || head.entries == 0);
}

// What both answer last: the count mapped (the answers tell) and the status.
bool ReadAnswerTail(NdrReader& r, std::uint32_t& ntstatus) {
    std::uint32_t mapped = 0;
    return r.U32(mapped) && r.U32(ntstatus);
}

}  // namespace

NET_API_STATUS DecodeLookup(Bytes stub, const std::vector<std::u16string>& names,
                            std::vector<AccountLookup>& out, std::uint32_t& ntstatus) {
    const std::size_t asked = names.size();
    NdrReader r(stub);
    out.clear();
    AnswerHead head;
    if (!ReadAnswerHead(r, head)) return RPC_S_PROTOCOL_ERROR;
    const auto& domains = head.domains;
    std::vector<AccountLookup> answers;
    if (head.list) {
        if (head.entries != asked || !r.ArrayHeader(head.entries, 12)) return RPC_S_PROTOCOL_ERROR;
        answers.resize(head.entries);
        for (auto& a : answers) {
            std::uint16_t use = 0;
            std::uint32_t rid = 0, index = 0;
            if (!r.U16(use) || !r.U32(rid) || !r.U32(index)) return RPC_S_PROTOCOL_ERROR;
            a.use = UseOf(use);
            if (!Mapped(a.use) || index >= domains.size() || !domains[index].sid) continue;
            a.sid = *domains[index].sid;
            a.domain = domains[index].name;
            if (a.use != netapi::SidUse::Domain) {
                if (a.sid.subs.size() >= Sid::kMaxSubAuthorities) continue;
                a.sid.subs.push_back(rid);
            }
            a.resolved = true;
        }
    }
    if (!ReadAnswerTail(r, ntstatus)) return RPC_S_PROTOCOL_ERROR;
    if (answers.empty()) answers.resize(asked);
    out = std::move(answers);
    return netapi::NERR_Success;
}

NET_API_STATUS DecodeLookup(Bytes stub, const std::vector<Sid>& asked,
                            std::vector<AccountLookup>& out, std::uint32_t& ntstatus) {
    NdrReader r(stub);
    out.clear();
    AnswerHead head;
    if (!ReadAnswerHead(r, head)) return RPC_S_PROTOCOL_ERROR;
    const std::uint32_t entries = head.entries;
    std::vector<AccountLookup> answers(asked.size());
    for (std::size_t i = 0; i < asked.size(); ++i) answers[i].sid = asked[i];
    if (head.list) {
        if (entries != asked.size() || !r.ArrayHeader(entries, 16)) return RPC_S_PROTOCOL_ERROR;
        std::vector<CountedHeader> names(entries);
        std::vector<std::uint32_t> indexes(entries);
        for (std::uint32_t i = 0; i < entries; ++i) {
            std::uint16_t use = 0;
            if (!r.U16(use) || !r.Align(4) || !r.CountedStringHeader(names[i]) || !r.U32(indexes[i]))
                return RPC_S_PROTOCOL_ERROR;
            answers[i].use = UseOf(use);
        }
        for (std::uint32_t i = 0; i < entries; ++i) {
            if (!r.CountedString(names[i], answers[i].name)) return RPC_S_PROTOCOL_ERROR;
            AccountLookup& a = answers[i];
            if (!Mapped(a.use) || a.name.empty()) {
                a.name.clear();
                continue;
            }
            if (indexes[i] < head.domains.size()) a.domain = head.domains[indexes[i]].name;
            a.resolved = true;
        }
    }
    if (!ReadAnswerTail(r, ntstatus)) return RPC_S_PROTOCOL_ERROR;
    out = std::move(answers);
    return netapi::NERR_Success;
}

}  // namespace smb::lsa
