// Share security descriptors: what a server sends is read exactly, written
// back byte for byte, and anything malformed is refused without reading
// outside the input.
#include <gtest/gtest.h>

#include <vector>

#include "netenum/SecurityDescriptor.h"

namespace {

using namespace netapi;

// Owner BUILTIN\Administrators; DACL: Everyone allowed Full Control, a domain
// user (S-1-5-21-1-2-3-1001) denied Change. Written out by hand.
const std::vector<std::uint8_t> kDescriptor = {
    0x01, 0x00, 0x04, 0x80, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // header
    0x00, 0x00, 0x00, 0x00, 0x24, 0x00, 0x00, 0x00,
    0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x20, 0x00, 0x00, 0x00,  // owner
    0x20, 0x02, 0x00, 0x00,
    0x02, 0x00, 0x40, 0x00, 0x02, 0x00, 0x00, 0x00,                          // ACL
    0x00, 0x00, 0x14, 0x00, 0xff, 0x01, 0x1f, 0x00,                          // allow
    0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x24, 0x00, 0xbf, 0x01, 0x13, 0x00,                          // deny
    0x01, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x15, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
    0xe9, 0x03, 0x00, 0x00};

TEST(SecurityDescriptor, ReadsAServersDescriptorAndWritesItBackUnchanged) {
    std::string why;
    const auto sd = ParseSecurityDescriptor(kDescriptor, &why);
    ASSERT_TRUE(sd) << why;
    ASSERT_TRUE(sd->owner);
    EXPECT_EQ(sd->owner->ToString(), u"S-1-5-32-544");
    EXPECT_FALSE(sd->group);
    ASSERT_EQ(sd->dacl.size(), 2u);
    EXPECT_EQ(sd->dacl[0].sid, EveryoneSid());
    EXPECT_EQ(sd->dacl[0].type, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(sd->dacl[0].Right(), ShareRight::Full);
    EXPECT_EQ(sd->dacl[1].sid.ToString(), u"S-1-5-21-1-2-3-1001");
    EXPECT_EQ(sd->dacl[1].type, ACCESS_DENIED_ACE_TYPE);
    EXPECT_EQ(sd->dacl[1].Right(), ShareRight::Change);
    EXPECT_EQ(BuildSecurityDescriptor(*sd), kDescriptor);
    EXPECT_EQ(SelfRelativeLength(kDescriptor.data()), kDescriptor.size());
}

TEST(SecurityDescriptor, SpecialEntriesAreKeptAndNullAndAbsentDaclsStayApart) {
    SecurityDescriptor sd;
    sd.dacl.push_back(Ace::Allow(EveryoneSid(), 0x00120089));
    sd.dacl.push_back(Ace::Allow(AdministratorsSid(), SHARE_ACCESS_READ));
    sd.dacl.back().flags = INHERIT_ONLY_ACE;
    // An object ACE: a type this program does not read, carried as it came.
    Ace object;
    object.type = 5;
    object.body = {0xff, 0x01, 0x1f, 0x00, 0, 0, 0, 0, 0x01, 0x01, 0, 0, 0, 0, 0, 0x01, 0, 0, 0, 0};
    sd.dacl.push_back(object);
    sd.sacl = std::vector<std::uint8_t>{0x02, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00};
    const auto bytes = BuildSecurityDescriptor(sd);
    const auto back = ParseSecurityDescriptor(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, sd);
    for (const Ace& ace : back->dacl) EXPECT_EQ(ace.Right(), ShareRight::Special);
    EXPECT_EQ(SelfRelativeLength(bytes.data()), bytes.size());

    for (const bool null : {true, false}) {
        SecurityDescriptor sd;
        sd.nullDacl = null;
        sd.daclPresent = null;
        const auto back = ParseSecurityDescriptor(BuildSecurityDescriptor(sd));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->daclPresent, null);
        EXPECT_EQ(back->nullDacl, null);
    }
}

TEST(SecurityDescriptor, RefusesWhatDoesNotFitTheInput) {
    auto broken = [](auto change) {
        std::vector<std::uint8_t> bytes = kDescriptor;
        change(bytes);
        std::string why;
        const bool parsed = ParseSecurityDescriptor(bytes, &why).has_value();
        return !parsed && !why.empty();
    };
    EXPECT_TRUE(broken([](auto& b) { b.resize(19); }));
    EXPECT_TRUE(broken([](auto& b) { b.resize(b.size() - 1); }));       // last SID cut
    EXPECT_TRUE(broken([](auto& b) { b[16] = 0xf0; }));                 // DACL offset outside
    EXPECT_TRUE(broken([](auto& b) { b[4] = 0x02; }));                  // owner inside the header
    EXPECT_TRUE(broken([](auto& b) { b[0x26] = 0xff; }));               // ACL larger than input
    EXPECT_TRUE(broken([](auto& b) { b[0x28] = 0x40; }));               // 64 entries in 64 bytes
    EXPECT_TRUE(broken([](auto& b) { b[0x2c + 2] = 0x04; }));           // entry shorter than its header
    EXPECT_TRUE(broken([](auto& b) { b[0x2c + 2] = 0x80; }));           // entry past the ACL
    EXPECT_TRUE(broken([](auto& b) { b[0x2c + 9] = 16; }));             // 16 sub-authorities
    EXPECT_TRUE(broken([](auto& b) { b[3] = 0x00; }));                  // not self-relative
    EXPECT_TRUE(broken([](auto& b) { b[0x24] = 3; }));                  // ACL revision
    std::vector<std::uint8_t> huge(kMaxSecurityDescriptorBytes + 1, 0);
    huge[0] = 1;
    huge[3] = 0x80;
    EXPECT_FALSE(ParseSecurityDescriptor(huge));
}

TEST(SidsAndRights, TextRoundTripsAndNonsenseIsRefusedRightsReadBack) {
    for (const std::u16string text : {u"S-1-1-0", u"S-1-5-32-544", u"S-1-5-21-4294967295-2-3-500",
                                      u"S-1-0x123456789ABC-1"}) {
        const auto sid = Sid::FromString(text);
        ASSERT_TRUE(sid) << std::string(text.begin(), text.end());
        EXPECT_EQ(sid->ToString(), text);
    }
    EXPECT_EQ(Sid::FromString(u"s-1-5-18"), (Sid{5, {18}}));
    for (const std::u16string bad : {u"", u"S-1", u"S-1-", u"S-2-5", u"S-1-5--1", u"S-1-5-4294967296",
                                     u"S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15-16", u"alice",
                                     u"S-1-5-x"})
        EXPECT_FALSE(Sid::FromString(bad)) << std::string(bad.begin(), bad.end());

    for (const ShareRight right : {ShareRight::Full, ShareRight::Change, ShareRight::Read}) {
        EXPECT_EQ(RightOfMask(MaskOfRight(right)), right);
        EXPECT_EQ(RightNamed(RightName(right)), right);
    }
    EXPECT_EQ(RightOfMask(0x10000000), ShareRight::Special);  // GENERIC_ALL is not spelled out
    EXPECT_FALSE(RightNamed("special"));
}

}  // namespace
