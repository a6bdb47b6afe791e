// The value-returning network calls of the windows: what they read and send,
// and that each releases its buffer on every outcome.
#include <gtest/gtest.h>

#include "netenum/NetCalls.h"
#include "netenum/netapi.h"
#include "support/ScriptedProvider.h"

using namespace netenum;
using namespace netapi;
using testing_support::ScriptedNetwork;

namespace {

class NetCalls : public testing_support::LeakCheckedNetwork {};

TEST_P(NetCalls, ServerNamesAreOnlyThoseTheAnswerHolds) {
    ServerInfo101 named, nameless;
    named.name = u"FS1";
    net.provider().servers = {NERR_Success, {named, nameless}, 5};
    const ServerListing listed = EnumServerNames(SV_TYPE_SERVER);
    EXPECT_EQ(listed.status, NERR_Success);
    EXPECT_EQ(listed.total, 5);
    EXPECT_EQ(listed.names, (std::vector<std::u16string>{u"FS1", u""}));
    EXPECT_EQ(net.provider().CallsNamed("NetServerEnum").at(0).number, SV_TYPE_SERVER);

    net.provider().fail["NetServerEnum"] = ERROR_ACCESS_DENIED;
    const ServerListing denied = EnumServerNames(SV_TYPE_ALL);
    EXPECT_EQ(denied.status, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(denied.names.empty());
}

TEST_P(NetCalls, AccountChangeFlipsOnlyTheDisableBit) {
    UserInfo3 anna;
    anna.name = u"anna";
    anna.full_name = u"Anna Berg";
    anna.flags = UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD;
    net.provider().users[u"anna"] = anna;

    EXPECT_EQ(SetAccountDisabled(u"\\\\FS1", u"anna", true), AccountChange::Changed);
    const UserInfo3& written = net.provider().users[u"anna"];
    EXPECT_EQ(written.flags, UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD | UF_ACCOUNTDISABLE);
    EXPECT_EQ(written.full_name, std::u16string(u"Anna Berg"));  // the record goes back whole

    EXPECT_EQ(SetAccountDisabled(u"\\\\FS1", u"nobody", true), AccountChange::GetInfoFailed);
    net.provider().fail["NetUserSetInfo"] = ERROR_ACCESS_DENIED;
    EXPECT_EQ(SetAccountDisabled(u"\\\\FS1", u"anna", false), AccountChange::SetInfoFailed);
}

TEST_P(NetCalls, MessageTextGoesWholeWithoutTerminatorAClockFailureIsNoRecord) {
    const std::u16string text(u"line one\r\nnul\0after", 19);
    EXPECT_EQ(SendMessageText(u"ANNA", text), NERR_Success);
    const auto sent = net.provider().CallsNamed("NetMessageBufferSend").at(0);
    EXPECT_EQ(sent.args[1], std::u16string(u"ANNA"));
    EXPECT_EQ(sent.args[3], text);
    EXPECT_EQ(sent.number, 38u);  // bytes

    net.provider().fail["NetMessageBufferSend"] = NERR_NameNotFound;
    EXPECT_EQ(SendMessageText(u"GHOST", u"hello"), NERR_NameNotFound);

    net.provider().fail["NetRemoteTOD"] = ERROR_BAD_NETPATH;
    EXPECT_FALSE(RemoteTimeOfDay(u"\\\\GONE").has_value());
}

// Where a session user's account is changed: the computer named in the
// result ("" for the server shown) and the change made there.
std::string Disable(const char16_t* account, bool disable) {
    const SessionAccountChange c = SetSessionAccountDisabled(u"\\\\FILES1", account, disable);
    return testing_support::S(c.computer) + " " + std::to_string(static_cast<int>(c.change));
}
const std::string kChanged = std::to_string(static_cast<int>(AccountChange::Changed));
const std::string kNotFound = std::to_string(static_cast<int>(AccountChange::GetInfoFailed));

// Session users of a member server FILES1 of the domain OFFICE, whose
// controller is DC1: where each account is looked for and changed.
TEST_P(NetCalls, DomainAccountsAreChangedOnTheirControllerLocalOnesOnTheServer) {
    auto& p = net.provider();
    UserInfo3 carol;
    carol.flags = UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD;
    p.users[u"carol"] = carol;
    p.usersOn = u"\\\\DC1";
    p.domainControllers = {{u"OFFICE", u"\\\\DC1"}, {u"", u"DC1"}};

    // DOMAIN\user: the bare name on the controller, which the result names.
    EXPECT_EQ(Disable(u"OFFICE\\carol", true), "DC1 " + kChanged);
    EXPECT_EQ(p.users[u"carol"].flags, UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD | UF_ACCOUNTDISABLE);
    EXPECT_EQ(p.CallsNamed("NetUserSetInfo").at(0).args.at(0), u"\\\\DC1");
    EXPECT_EQ(p.CallsNamed("NetUserSetInfo").at(0).args.at(1), u"carol");
    // A bare name the server does not hold (2221): its domain's controller.
    EXPECT_EQ(Disable(u"carol", false), "DC1 " + kChanged);
    EXPECT_EQ(p.users[u"carol"].flags, UF_NORMAL_ACCOUNT | UF_DONT_EXPIRE_PASSWD);

    // The server's own accounts stay there, whatever a controller would say:
    // one it holds is never looked for elsewhere.
    p.usersOn = u"\\\\FILES1";
    p.calls.clear();
    EXPECT_EQ(Disable(u"carol", true), " " + kChanged);
    EXPECT_TRUE(p.CallsNamed("NetGetAnyDCName").empty());
    EXPECT_EQ(Disable(u"FILES1\\carol", true), " " + std::to_string(static_cast<int>(AccountChange::AlreadyDisabled)));
}

TEST_P(NetCalls, WithoutAControllerTheAccountIsLookedForOnTheServerAlone) {
    auto& p = net.provider();
    p.users[u"carol"] = UserInfo3{};
    p.usersOn = u"\\\\DC1";  // nobody says where DC1 is
    EXPECT_EQ(Disable(u"OFFICE\\carol", true), " " + kNotFound);
    EXPECT_EQ(Disable(u"carol", true), " " + kNotFound);
    // A controller that is the shown server itself is not asked twice.
    p.domainControllers = {{u"", u"FILES1"}};
    EXPECT_EQ(Disable(u"carol", true), " " + kNotFound);
    EXPECT_EQ(p.CallsNamed("NetUserGetInfo").size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(BufferOnFailure, NetCalls, ::testing::Bool());

}  // namespace
