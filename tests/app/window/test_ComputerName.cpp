// What may be added as a computer: the stored form of good entries and a
// refusal with a reason for everything that could split the list or an URL.
#include <gtest/gtest.h>

#include <string>

#include "app/window/ComputerName.h"
#include "text/Text.h"

using app::CheckComputerName;

namespace {

std::string Stored(const char16_t* typed) {
    const auto check = CheckComputerName(typed);
    EXPECT_TRUE(check.ok()) << text::ToUtf8(typed) << ": " << text::ToUtf8(check.problem);
    return text::ToUtf8(check.name);
}

std::string Problem(const std::u16string& typed) {
    const auto check = CheckComputerName(typed);
    EXPECT_FALSE(check.ok()) << text::ToUtf8(typed) << " was accepted";
    return text::ToUtf8(check.problem);
}

}  // namespace

TEST(ComputerName, NamesAndAddressesAreStoredInTheirPlainForm) {
    EXPECT_EQ(Stored(u"  FILESRV01 "), "FILESRV01");
    EXPECT_EQ(Stored(u"\\\\FILESRV01"), "FILESRV01");
    EXPECT_EQ(Stored(u"files.office.example."), "files.office.example");
    EXPECT_EQ(Stored(u"[2001:db8::7]"), "2001:db8::7");
    for (const char* kept : {"schul-server_2", "192.168.1.10", "fe80::1", "bücher.example"})
        EXPECT_EQ(Stored(text::FromUtf8(kept).c_str()), kept);
}

TEST(ComputerName, ListAndUrlCharactersAreRefusedNamingTheCharacter) {
    EXPECT_NE(Problem(u"a,b").find("\",\""), std::string::npos);
    EXPECT_NE(Problem(u"smb://x").find("\":\""), std::string::npos);
    for (const char16_t* bad : {u"x/y", u"x\\y", u"a@b", u"a?b", u"a#b", u"a%20", u"a[b", u"a;b"})
        Problem(bad);
    EXPECT_NE(Problem(u"two words").find("a blank"), std::string::npos);
    EXPECT_NE(Problem(u"a\tb").find("a control character"), std::string::npos);
    EXPECT_NE(Problem(u"a\u2028b").find("cannot contain"), std::string::npos);
    Problem(u"1::2::3");  // looks like IPv6 but is not
}

TEST(ComputerName, EmptyMisshapenAndOverlongNamesAreRefused) {
    EXPECT_EQ(Problem(u"   "), "Type the name or address of a computer.");
    for (const char16_t* misshapen : {u"\\\\", u"a..b", u".a", u"-a", u"a-"}) Problem(misshapen);
    EXPECT_TRUE(CheckComputerName(std::u16string(63, u'a') + u".b").ok());
    EXPECT_NE(Problem(std::u16string(64, u'a')).find("63"), std::string::npos);
    std::u16string longest;
    while (longest.size() < 253) longest += u"abcdefghi.";
    longest.resize(253);
    EXPECT_TRUE(CheckComputerName(longest).ok());
    EXPECT_NE(Problem(longest + u"x").find("253"), std::string::npos);
}
