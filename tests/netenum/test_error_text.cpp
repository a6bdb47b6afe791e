// Error text: which message source a code's text comes from, and the failure
// lines built around it.
#include <gtest/gtest.h>

#include "netenum/CallControl.h"
#include "netenum/modAPI_Error.h"
#include "support/ScriptedMessages.h"
#include "text/Text.h"

using namespace netenum;

namespace {

class ErrorText : public ::testing::Test {
protected:
    ScriptedMessages messages;
};

TEST_F(ErrorText, TheSourceIsChosenByCodeRangeFallsBackAndLosesOneTrailingLineBreak) {
    const std::pair<std::uint32_t, std::string> ranges[] = {
        {2099, ""},  {2100, "netmsg.dll"},   {2999, "netmsg.dll"},   {3000, ""},
        {11999, ""}, {12000, "Wininet.dll"}, {12171, "Wininet.dll"}, {12172, ""}};
    for (const auto& [code, module] : ranges) {
        EXPECT_EQ(MessageModuleFor(code), module) << code;
        const std::u16string source = u"from " + text::FromUtf8(module.empty() ? "system" : module);
        messages.SetText(module, code, source + u"\r\n");
        messages.SetText(module.empty() ? "netmsg.dll" : "", code, u"from elsewhere\r\n");
        EXPECT_EQ(GetErrorText(code), source) << code;
    }
    // The platform's own wording; an unknown code has none.
    EXPECT_EQ(GetErrorText(2221), u"The user name could not be found.");
    EXPECT_EQ(GetErrorText(999999), u"");

    messages.SetText("", 40000, u"two breaks\r\n\r\n");
    messages.SetText("", 40001, u"no break");
    messages.SetText("", 40002, std::u16string(u"cut\0here\r\n", 10));
    EXPECT_EQ(GetErrorText(40000), u"two breaks\r\n");
    EXPECT_EQ(GetErrorText(40001), u"no break");
    EXPECT_EQ(GetErrorText(40002), u"cut");

    messages.SetText("", 2500, u"system knows 2500\r\n");
    EXPECT_EQ(GetErrorText(2500), u"system knows 2500");
    messages.SetModuleAvailable("netmsg.dll", false);
    EXPECT_EQ(GetErrorText(2500), u"");
    EXPECT_EQ(GetErrorText(2221), u"");
    EXPECT_EQ(GetErrorText(5), u"Access is denied.");  // the system table is unaffected
}

TEST_F(ErrorText, FailureLineCompositions) {
    EXPECT_EQ(FailureLine(u"NetServerSetInfo", 77777), u"NetServerSetInfo error 77777 : \r\n");
    netapi::CallLimits limits = netapi::GetCallLimits();
    limits.deadline = std::chrono::milliseconds(2500);
    netapi::SetCallLimits(limits);
    EXPECT_EQ(TimeoutWords(u"", 121), u"This computer did not answer within 2.5 seconds.\r\n");
    limits.deadline = std::chrono::milliseconds(1000);
    netapi::SetCallLimits(limits);
    EXPECT_EQ(TimeoutWords(u"files\x1b", 121), u"files\\x1b did not answer within 1 second.\r\n");
    netapi::SetCallLimits({});
    EXPECT_EQ(TimeoutWords(u"files", 53), u"");
    // A server's NTSTATUS that no platform code stands for reads as sent.
    EXPECT_EQ(FailureLine(u"NetUserGetInfo", 0xC0000190u), u"NetUserGetInfo error 0xC0000190 : \r\n");
    EXPECT_EQ(CodeText(0x7FFFFFFFu), u"2147483647");
}

TEST(Counts, NullPointersAreEmptyAndAnIncompleteListNamesWhatCameAndAnUnsignedClaim) {
    const char16_t* null = nullptr;
    const char16_t* word = u"anna";
    EXPECT_EQ(PointerToString(&null), u"");
    EXPECT_EQ(PointerToString(&word), u"anna");
    EXPECT_EQ(PointerToString(nullptr), u"");
    // A claim below what came is not believed.
    EXPECT_EQ(IncompleteListLine(7, 1, u"sessions"), u"list incomplete: 7 of 7 sessions\r\n");
}

}  // namespace
