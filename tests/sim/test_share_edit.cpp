// Share changes as the command line and the Properties dialog make them:
// permission edits on a descriptor, and writes that happen once, and only
// for what differs, on the simulated network.
#include <gtest/gtest.h>

#include "ScenarioTest.h"
#include "netenum/ShareEdit.h"

namespace {

using namespace netapi;
using Kind = PermissionChange::Kind;

const Sid kAlice{5, {21, 1, 2, 3, 1104}};
const Sid kBob{5, {21, 1, 2, 3, 1105}};

PermissionChange Change(Kind kind, const Sid& sid, ShareRight right = ShareRight::Read,
                        std::u16string account = u"x") {
    return {kind, std::move(account), right, sid};
}

TEST(PermissionChanges, AnAccountsNewEntryReplacesItsRightsAndDeniesStayInFront) {
    SecurityDescriptor base;
    Ace special = Ace::Allow(kAlice, 0x00100020);  // traverse only: no share right
    base.dacl = {Ace::Deny(kBob, SHARE_ACCESS_READ), Ace::Allow(EveryoneSid(), SHARE_ACCESS_FULL),
                 Ace::Allow(kAlice, SHARE_ACCESS_READ), special};
    const auto after = ApplyPermissionChanges(
        base, {Change(Kind::Grant, kAlice, ShareRight::Change), Change(Kind::Deny, EveryoneSid(), ShareRight::Full),
               Change(Kind::Grant, kBob, ShareRight::Read)});
    // Alice's Read gives way, her Special entry stays; Everyone's allow turns
    // into a deny among the denies; Bob's deny gives way to his grant.
    EXPECT_EQ(after.dacl, (std::vector<Ace>{Ace::Deny(EveryoneSid(), SHARE_ACCESS_FULL), special,
                                            Ace::Allow(kAlice, SHARE_ACCESS_CHANGE),
                                            Ace::Allow(kBob, SHARE_ACCESS_READ)}));
    // Revoke takes every entry of the account, Special ones too.
    EXPECT_EQ(ApplyPermissionChanges(after, {Change(Kind::Revoke, kAlice)}).dacl,
              (std::vector<Ace>{Ace::Deny(EveryoneSid(), SHARE_ACCESS_FULL), Ace::Allow(kBob, SHARE_ACCESS_READ)}));
}

TEST(PermissionChanges, LosingTheLastFullControlIsToldApart) {
    SecurityDescriptor everyone;
    everyone.dacl = {Ace::Allow(EveryoneSid(), SHARE_ACCESS_FULL)};
    const auto readOnly = ApplyPermissionChanges(everyone, {Change(Kind::Grant, EveryoneSid())});
    EXPECT_TRUE(RemovesLastFullControl(everyone, readOnly));
    EXPECT_FALSE(RemovesLastFullControl(
        everyone, ApplyPermissionChanges(readOnly, {Change(Kind::Grant, kAlice, ShareRight::Full)})));
    // A deny of Full Control is no Full Control; nothing had none to lose.
    EXPECT_TRUE(RemovesLastFullControl(everyone, ApplyPermissionChanges(everyone, {Change(Kind::Deny, EveryoneSid(), ShareRight::Full)})));
    EXPECT_FALSE(RemovesLastFullControl(readOnly, readOnly));
}

class ShareWrites : public simtest::ScenarioTest {
protected:
    ShareWrites() : ScenarioTest(R"({"computers": [{"name": "HOST", "local": true},
      {"name": "FS1", "shares": [{"name": "Data", "path": "D:\\Data", "remark": "Team data"}]}]})") {}
    ShareState Read() {
        ShareState state;
        EXPECT_EQ(ReadShareState(u"FS1", u"Data", state), 0u);
        return state;
    }
};

TEST_F(ShareWrites, OnlyWhatDiffersIsWrittenAndTheDescriptorOnce) {
    ShareState state = Read();
    // Three account changes: one descriptor write. Remark and limit: one more.
    ShareUpdate update;
    update.remark = u"Archive";
    update.maxUses = 4;
    update.descriptor = ApplyPermissionChanges(
        EffectiveDescriptor(state), {Change(Kind::Revoke, EveryoneSid()), Change(Kind::Grant, kAlice, ShareRight::Full),
                                     Change(Kind::Deny, kBob, ShareRight::Change)});
    const auto outcome = WriteShareUpdate(u"FS1", u"Data", state, update);
    EXPECT_EQ(outcome.status, 0u);
    EXPECT_EQ(outcome.changed, (std::vector<std::string>{"description", "user limit", "permissions"}));
    EXPECT_EQ(net->ShareSetInfoCalls(), 2u);
    state = Read();
    EXPECT_EQ(state.details.remark, u"Archive");
    EXPECT_EQ(state.details.max_uses, 4u);
    ASSERT_TRUE(state.descriptor);
    EXPECT_EQ(state.descriptor->dacl, update.descriptor->dacl);
}

TEST_F(ShareWrites, AFailedPartSaysWhichAndWhatWasAlreadyWritten) {
    const ShareState state = Read();
    ShareUpdate update;
    update.remark = u"Renamed";
    update.descriptor = SecurityDescriptor{};
    update.descriptor->dacl = {Ace::Allow(kAlice, SHARE_ACCESS_READ)};
    const auto outcome = WriteShareUpdate(u"FS1", u"Gone", state, update);
    EXPECT_EQ(outcome.status, NERR_NetNameNotFound);
    EXPECT_EQ(outcome.failed, "description");
    EXPECT_TRUE(outcome.changed.empty());
    EXPECT_EQ(net->ShareSetInfoCalls(), 1u);  // the descriptor was not tried
}

}  // namespace
