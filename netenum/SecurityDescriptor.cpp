#include "SecurityDescriptor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace netapi {
namespace {

constexpr std::size_t kHeaderBytes = 20;
constexpr std::size_t kAclHeaderBytes = 8;
constexpr std::size_t kMaxAclBytes = 0xFFFF;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Set32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool Fail(std::string* why, const char* what) {
    if (why != nullptr) *why = what;
    return false;
}

// A SID within [0, bytes.size()); `used` is its length.
bool ReadSid(std::span<const std::uint8_t> bytes, Sid& out, std::size_t& used, std::string* why) {
    if (bytes.size() < 8) return Fail(why, "a SID is cut short");
    if (bytes[0] != 1) return Fail(why, "a SID has an unknown revision");
    const std::size_t count = bytes[1];
    if (count > Sid::kMaxSubAuthorities) return Fail(why, "a SID has too many sub-authorities");
    used = 8 + 4 * count;
    if (bytes.size() < used) return Fail(why, "a SID is cut short");
    out.authority = 0;
    for (int i = 2; i < 8; ++i) out.authority = (out.authority << 8) | bytes[i];
    out.subs.resize(count);
    for (std::size_t i = 0; i < count; ++i) out.subs[i] = Le32(bytes.data() + 8 + 4 * i);
    return true;
}

// The part of `bytes` an offset in the header points to: from it to the end.
bool At(std::span<const std::uint8_t> bytes, std::uint32_t offset,
        std::span<const std::uint8_t>& part, std::string* why) {
    if (offset < kHeaderBytes || offset >= bytes.size())
        return Fail(why, "an offset points outside the descriptor");
    part = bytes.subspan(offset);
    return true;
}

// An ACL's extent: its header checked, its declared size within the input.
bool AclExtent(std::span<const std::uint8_t> part, std::span<const std::uint8_t>& acl,
               std::string* why) {
    if (part.size() < kAclHeaderBytes) return Fail(why, "an ACL is cut short");
    const std::uint8_t revision = part[0];
    if (revision != 2 && revision != 4) return Fail(why, "an ACL has an unknown revision");
    const std::size_t size = Le16(part.data() + 2);
    if (size < kAclHeaderBytes || size > part.size()) return Fail(why, "an ACL's size is wrong");
    acl = part.first(size);
    return true;
}

bool ReadDacl(std::span<const std::uint8_t> acl, SecurityDescriptor& sd, std::string* why) {
    sd.daclRevision = acl[0];
    const std::size_t count = Le16(acl.data() + 4);
    std::size_t pos = kAclHeaderBytes;
    // Each entry takes at least its 4-byte header and 4 more: the count cannot
    // make us reserve more than the ACL could hold.
    if (count > (acl.size() - kAclHeaderBytes) / 8) return Fail(why, "an ACL counts more entries than it holds");
    sd.dacl.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (acl.size() - pos < 4) return Fail(why, "an ACL entry is cut short");
        Ace ace;
        ace.type = acl[pos];
        ace.flags = acl[pos + 1];
        const std::size_t size = Le16(acl.data() + pos + 2);
        // Entries are whole 32-bit words long, as the platform requires.
        if (size < 8 || size % 4 != 0 || size > acl.size() - pos)
            return Fail(why, "an ACL entry's size is wrong");
        const auto entry = acl.subspan(pos, size);
        if (ace.IsAllowOrDeny()) {
            ace.mask = Le32(entry.data() + 4);
            std::size_t used = 0;
            if (!ReadSid(entry.subspan(8), ace.sid, used, why)) return false;
            // Padding behind the SID is allowed; it is not kept.
        } else {
            ace.body.assign(entry.begin() + 4, entry.end());
        }
        sd.dacl.push_back(std::move(ace));
        pos += size;
    }
    return true;
}

void PutSid(std::vector<std::uint8_t>& out, const Sid& sid) {
    const auto bytes = sid.Bytes();
    out.insert(out.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> BuildAcl(const SecurityDescriptor& sd) {
    std::vector<std::uint8_t> acl;
    acl.push_back(sd.daclRevision == 4 ? 4 : 2);
    acl.push_back(0);
    Put16(acl, 0);  // size, set below
    Put16(acl, static_cast<std::uint16_t>(std::min<std::size_t>(sd.dacl.size(), 0xFFFF)));
    Put16(acl, 0);
    for (const Ace& ace : sd.dacl) {
        const std::size_t start = acl.size();
        acl.push_back(ace.type);
        acl.push_back(ace.flags);
        Put16(acl, 0);
        if (ace.IsAllowOrDeny()) {
            Put32(acl, ace.mask);
            PutSid(acl, ace.sid);
        } else {
            acl.insert(acl.end(), ace.body.begin(), ace.body.end());
        }
        while ((acl.size() - start) % 4 != 0) acl.push_back(0);
        const std::size_t size = acl.size() - start;
        if (size > 0xFFFF) return {};
        acl[start + 2] = static_cast<std::uint8_t>(size);
        acl[start + 3] = static_cast<std::uint8_t>(size >> 8);
    }
    if (acl.size() > kMaxAclBytes || sd.dacl.size() > 0xFFFF) return {};
    acl[2] = static_cast<std::uint8_t>(acl.size());
    acl[3] = static_cast<std::uint8_t>(acl.size() >> 8);
    return acl;
}

}  // namespace

std::u16string Sid::ToString() const {
    std::string s = "S-1-";
    // The platform writes large authorities in hexadecimal.
    if (authority >= (std::uint64_t{1} << 32)) {
        char hex[20];
        std::snprintf(hex, sizeof hex, "0x%012llX", static_cast<unsigned long long>(authority));
        s += hex;
    } else {
        s += std::to_string(authority);
    }
    for (const std::uint32_t sub : subs) s += "-" + std::to_string(sub);
    return std::u16string(s.begin(), s.end());
}

std::optional<Sid> Sid::FromString(std::u16string_view text) {
    if (text.size() < 4 || (text[0] != u'S' && text[0] != u's') || text.substr(1, 3) != u"-1-")
        return std::nullopt;
    std::vector<std::uint64_t> numbers;
    std::size_t i = 4;
    while (true) {
        if (i >= text.size()) return std::nullopt;
        std::uint64_t n = 0;
        std::size_t digits = 0;
        const bool hex = numbers.empty() && text.substr(i, 2) == u"0x";
        if (hex) i += 2;
        for (; i < text.size() && text[i] != u'-'; ++i, ++digits) {
            const char16_t c = text[i];
            int d;
            if (c >= u'0' && c <= u'9') d = c - u'0';
            else if (hex && c >= u'a' && c <= u'f') d = c - u'a' + 10;
            else if (hex && c >= u'A' && c <= u'F') d = c - u'A' + 10;
            else return std::nullopt;
            n = n * (hex ? 16 : 10) + static_cast<std::uint64_t>(d);
            if (n > (numbers.empty() ? 0xFFFFFFFFFFFFull : 0xFFFFFFFFull)) return std::nullopt;
        }
        if (digits == 0) return std::nullopt;
        numbers.push_back(n);
        if (i == text.size()) break;
        ++i;  // the dash
    }
    if (numbers.size() - 1 > kMaxSubAuthorities) return std::nullopt;
    Sid sid;
    sid.authority = numbers[0];
    for (std::size_t k = 1; k < numbers.size(); ++k) sid.subs.push_back(static_cast<std::uint32_t>(numbers[k]));
    return sid;
}

std::vector<std::uint8_t> Sid::Bytes() const {
    std::vector<std::uint8_t> out;
    const std::size_t count = std::min(subs.size(), kMaxSubAuthorities);
    out.push_back(1);
    out.push_back(static_cast<std::uint8_t>(count));
    for (int i = 5; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(authority >> (8 * i)));
    for (std::size_t i = 0; i < count; ++i) Put32(out, subs[i]);
    return out;
}

Sid EveryoneSid() { return Sid{1, {0}}; }
Sid AdministratorsSid() { return Sid{5, {32, 544}}; }

ShareRight RightOfMask(std::uint32_t mask) {
    switch (mask) {
        case SHARE_ACCESS_FULL: return ShareRight::Full;
        case SHARE_ACCESS_CHANGE: return ShareRight::Change;
        case SHARE_ACCESS_READ: return ShareRight::Read;
        default: return ShareRight::Special;
    }
}

std::uint32_t MaskOfRight(ShareRight right) {
    switch (right) {
        case ShareRight::Full: return SHARE_ACCESS_FULL;
        case ShareRight::Change: return SHARE_ACCESS_CHANGE;
        case ShareRight::Read: return SHARE_ACCESS_READ;
        case ShareRight::Special: break;
    }
    return 0;
}

const char* RightName(ShareRight right) {
    switch (right) {
        case ShareRight::Full: return "full";
        case ShareRight::Change: return "change";
        case ShareRight::Read: return "read";
        case ShareRight::Special: break;
    }
    return "special";
}

std::optional<ShareRight> RightNamed(std::string_view name) {
    if (name == "full") return ShareRight::Full;
    if (name == "change") return ShareRight::Change;
    if (name == "read") return ShareRight::Read;
    return std::nullopt;
}

ShareRight Ace::Right() const {
    if (!IsAllowOrDeny() || (flags & INHERIT_ONLY_ACE) != 0) return ShareRight::Special;
    return RightOfMask(mask);
}

std::optional<SecurityDescriptor> ParseSecurityDescriptor(std::span<const std::uint8_t> bytes,
                                                          std::string* why) {
    if (bytes.size() > kMaxSecurityDescriptorBytes) {
        Fail(why, "the descriptor is too large");
        return std::nullopt;
    }
    if (bytes.size() < kHeaderBytes) {
        Fail(why, "the descriptor is cut short");
        return std::nullopt;
    }
    if (bytes[0] != 1) {
        Fail(why, "the descriptor has an unknown revision");
        return std::nullopt;
    }
    const std::uint16_t control = Le16(bytes.data() + 2);
    if ((control & SE_SELF_RELATIVE) == 0) {
        Fail(why, "the descriptor is not self-relative");
        return std::nullopt;
    }
    SecurityDescriptor sd;
    sd.control = control & ~(SE_DACL_PRESENT | SE_SACL_PRESENT | SE_SELF_RELATIVE);
    const std::uint32_t owner = Le32(bytes.data() + 4), group = Le32(bytes.data() + 8);
    const std::uint32_t sacl = Le32(bytes.data() + 12), dacl = Le32(bytes.data() + 16);
    std::span<const std::uint8_t> part;
    std::size_t used = 0;
    if (owner != 0) {
        if (!At(bytes, owner, part, why) || !ReadSid(part, sd.owner.emplace(), used, why))
            return std::nullopt;
    }
    if (group != 0) {
        if (!At(bytes, group, part, why) || !ReadSid(part, sd.group.emplace(), used, why))
            return std::nullopt;
    }
    std::span<const std::uint8_t> acl;
    if ((control & SE_SACL_PRESENT) != 0 && sacl != 0) {
        if (!At(bytes, sacl, part, why) || !AclExtent(part, acl, why)) return std::nullopt;
        sd.sacl.emplace(acl.begin(), acl.end());
    }
    sd.daclPresent = (control & SE_DACL_PRESENT) != 0;
    if (sd.daclPresent && dacl == 0) sd.nullDacl = true;
    if (sd.daclPresent && dacl != 0) {
        if (!At(bytes, dacl, part, why) || !AclExtent(part, acl, why) || !ReadDacl(acl, sd, why))
            return std::nullopt;
    }
    return sd;
}

std::vector<std::uint8_t> BuildSecurityDescriptor(const SecurityDescriptor& sd) {
    std::vector<std::uint8_t> out(kHeaderBytes, 0);
    out[0] = 1;
    std::uint16_t control = static_cast<std::uint16_t>(
        (sd.control & ~(SE_DACL_PRESENT | SE_SACL_PRESENT)) | SE_SELF_RELATIVE);
    if (sd.owner) {
        Set32(out, 4, static_cast<std::uint32_t>(out.size()));
        PutSid(out, *sd.owner);
    }
    if (sd.group) {
        Set32(out, 8, static_cast<std::uint32_t>(out.size()));
        PutSid(out, *sd.group);
    }
    if (sd.sacl) {
        control |= SE_SACL_PRESENT;
        Set32(out, 12, static_cast<std::uint32_t>(out.size()));
        out.insert(out.end(), sd.sacl->begin(), sd.sacl->end());
    }
    if (sd.daclPresent) {
        control |= SE_DACL_PRESENT;
        if (!sd.nullDacl) {
            const auto acl = BuildAcl(sd);
            if (acl.empty()) return {};
            Set32(out, 16, static_cast<std::uint32_t>(out.size()));
            out.insert(out.end(), acl.begin(), acl.end());
        }
    }
    out[2] = static_cast<std::uint8_t>(control);
    out[3] = static_cast<std::uint8_t>(control >> 8);
    return out;
}

std::size_t SelfRelativeLength(const std::uint8_t* sd) {
    if (sd == nullptr || sd[0] != 1 || (Le16(sd + 2) & SE_SELF_RELATIVE) == 0) return 0;
    std::size_t end = kHeaderBytes;
    for (const std::size_t at : {std::size_t{4}, std::size_t{8}}) {
        const std::uint32_t offset = Le32(sd + at);
        if (offset != 0) end = std::max<std::size_t>(end, offset + 8 + 4 * std::size_t{sd[offset + 1]});
    }
    for (const std::size_t at : {std::size_t{12}, std::size_t{16}}) {
        const std::uint32_t offset = Le32(sd + at);
        if (offset != 0) end = std::max<std::size_t>(end, offset + Le16(sd + offset + 2));
    }
    return end;
}

}  // namespace netapi
