#pragma once
// Self-relative security descriptors as servers keep them for shares: owner,
// group, an optional SACL (kept as it came) and a DACL of access-allowed and
// access-denied entries. A descriptor from a server is untrusted input: the
// parser checks every offset and length and refuses what does not fit,
// never reading past the input. Entries of other kinds, or with masks that
// are no share right, are kept byte for byte so that writing a descriptor
// back never drops what the administrator did not touch.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace netapi {

// A security identifier: revision 1, a 48-bit authority, up to 15 sub-authorities.
struct Sid {
    std::uint64_t authority = 0;
    std::vector<std::uint32_t> subs;

    static constexpr std::size_t kMaxSubAuthorities = 15;

    // "S-1-5-32-544".
    std::u16string ToString() const;
    // Reads "S-1-..." (case-insensitive "s"); nullopt for anything else.
    static std::optional<Sid> FromString(std::u16string_view text);
    std::vector<std::uint8_t> Bytes() const;
    friend bool operator==(const Sid&, const Sid&) = default;
};

// Well-known accounts the share presets name.
Sid EveryoneSid();          // S-1-1-0
Sid AdministratorsSid();    // S-1-5-32-544

// The platform's ACE types and flags used here.
constexpr std::uint8_t ACCESS_ALLOWED_ACE_TYPE = 0;
constexpr std::uint8_t ACCESS_DENIED_ACE_TYPE = 1;
constexpr std::uint8_t INHERIT_ONLY_ACE = 0x08;

// Descriptor control bits.
constexpr std::uint16_t SE_DACL_PRESENT = 0x0004;
constexpr std::uint16_t SE_SACL_PRESENT = 0x0010;
constexpr std::uint16_t SE_SELF_RELATIVE = 0x8000;

// The share rights as the platform writes them into share ACEs.
constexpr std::uint32_t SHARE_ACCESS_FULL = 0x001F01FF;
constexpr std::uint32_t SHARE_ACCESS_CHANGE = 0x001301BF;
constexpr std::uint32_t SHARE_ACCESS_READ = 0x001200A9;

enum class ShareRight { Full, Change, Read, Special };

struct Ace {
    std::uint8_t type = ACCESS_ALLOWED_ACE_TYPE;
    std::uint8_t flags = 0;
    std::uint32_t mask = 0;
    Sid sid;  // allowed and denied entries
    // Other types: everything behind the 4-byte header, as it came.
    std::vector<std::uint8_t> body;

    static Ace Allow(Sid sid, std::uint32_t mask) {
        Ace a;
        a.mask = mask;
        a.sid = std::move(sid);
        return a;
    }
    static Ace Deny(Sid sid, std::uint32_t mask) {
        Ace a = Allow(std::move(sid), mask);
        a.type = ACCESS_DENIED_ACE_TYPE;
        return a;
    }

    bool IsAllowOrDeny() const {
        return type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE;
    }
    // Full, Change or Read when this is an allow or deny entry whose mask is
    // exactly that right and that applies to the share itself; else Special.
    ShareRight Right() const;
    friend bool operator==(const Ace&, const Ace&) = default;
};

struct SecurityDescriptor {
    // Control bits other than the present and self-relative ones are kept.
    std::uint16_t control = 0;
    std::optional<Sid> owner;
    std::optional<Sid> group;
    std::optional<std::vector<std::uint8_t>> sacl;  // the whole ACL, as it came
    bool daclPresent = true;
    // A present DACL at offset 0 grants everyone everything ("no list").
    bool nullDacl = false;
    std::uint8_t daclRevision = 2;
    std::vector<Ace> dacl;
    friend bool operator==(const SecurityDescriptor&, const SecurityDescriptor&) = default;
};

// Descriptors larger than this are refused: a share's is a few hundred bytes.
constexpr std::size_t kMaxSecurityDescriptorBytes = 256 * 1024;

// Parses a self-relative descriptor; nullopt with `why` set when it is
// malformed.
std::optional<SecurityDescriptor> ParseSecurityDescriptor(std::span<const std::uint8_t> bytes,
                                                          std::string* why = nullptr);
// Builds the self-relative form: header, owner, group, SACL, DACL. Empty
// when an ACL would not fit the format's 64 KiB.
std::vector<std::uint8_t> BuildSecurityDescriptor(const SecurityDescriptor& sd);

// The length of a self-relative descriptor this process built (its
// furthest part), for records that hand one over by pointer only; 0 when
// the header is not that of a self-relative descriptor.
std::size_t SelfRelativeLength(const std::uint8_t* sd);

ShareRight RightOfMask(std::uint32_t mask);
std::uint32_t MaskOfRight(ShareRight right);  // 0 for Special
// "full", "change", "read", "special".
const char* RightName(ShareRight right);
std::optional<ShareRight> RightNamed(std::string_view name);

}  // namespace netapi
