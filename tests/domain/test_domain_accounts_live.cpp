// Domain accounts where they live: disabling and enabling the account of a
// domain user whose session is on the member file server changes it on the
// domain controller (read back with samba-tool), only its disabled flag, and
// the pane says which computer's account changed.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QString>
#include <cstdlib>
#include <memory>

#include "DomainBed.h"
#include "netenum/MessageTarget.h"
#include "netenum/NetCalls.h"
#include "netenum/netapi.h"
#include "smb/SmbProvider.h"
#include "support/ScriptedPrompts.h"
#include "support/WindowTestSupport.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "windows/sessions/frmUserSessions.h"

namespace {

using domain_test::Holder;

constexpr long kDisabled = 0x2;
constexpr long kNormalAccount = 0x200;
constexpr long kPasswordNeverExpires = 0x10000;

class DomainAccountsLive : public domain_test::DomainTest {
protected:
    void SetUp() override {
        DomainTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        setenv("KRB5CCNAME", adminTicket.c_str(), 1);
        netapi::SetProvider(smb::MakeSmbProvider());
        previousPrompts = common::SetPrompts(prompts);
        main.chosen = QString::fromStdString(env["member"]);
    }
    void TearDown() override {
        window.reset();
        netapi::SetProvider(nullptr);
        if (previousPrompts) common::SetPrompts(previousPrompts);
        DomainTest::TearDown();
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }
    // Opens the User Sessions window on the member server and runs Disable
    // (or Enable) on the session of `user`; returns the pane.
    std::string AccountRun(const QString& user, bool disable) {
        window = std::make_unique<sessions::frmUserSessions>(main);
        window->FillFirst();
        auto& list = *window->lstvwUserSessions;
        list.DeselectAllRows();
        int row = -1;
        for (int i = 0; i < list.RowCount(); ++i)
            if (list.Text(i) == user) row = i;
        if (row < 0) return ("no session of " + user + " in: " + window->Text1->Text()).toStdString();
        list.SetSelected(row, true);
        emit list.ItemClick(row);
        if (disable) prompts->yesNoAnswers.push_back(true);
        (disable ? window->cmdDisable : window->cmdEnable)->click();
        return window->Text1->Text().toStdString();
    }

    windowtest::FakeMainForm main;
    std::shared_ptr<common::ScriptedPrompts> prompts = std::make_shared<common::ScriptedPrompts>();
    std::shared_ptr<common::Prompts> previousPrompts;
    std::unique_ptr<sessions::frmUserSessions> window;
};

TEST_F(DomainAccountsLive, DisableChangesOnlyTheFlagOnTheControllerWhereEveryUsersOwnDomainHoldsIt) {
    Holder carol(env["member"], env["domain"] + "\\carol", env["user_password"], {"data/plan.doc"});
    ASSERT_TRUE(carol.Ready()) << carol.Failure();
    const long before = domain_test::AccountControl(env, "carol");
    ASSERT_EQ(before, kNormalAccount | kPasswordNeverExpires);
    const QString user = QString::fromStdString(env["domain"] + "\\carol");
    const QString dc = QString::fromStdString(env["dc"]);

    EXPECT_EQ(AccountRun(user, true), ("Disabling user accounts...\r\n" + user +
                                          " : Account disabled on " + dc +
                                          "\r\n1 user accounts disabled\r\n").toStdString());
    EXPECT_EQ(domain_test::AccountControl(env, "carol"), before | kDisabled);

    EXPECT_EQ(AccountRun(user, false), ("Enabling user accounts...\r\n" + user +
                                           " : Account enabled on " + dc +
                                           "\r\n1 user accounts enabled\r\n").toStdString());
    EXPECT_EQ(domain_test::AccountControl(env, "carol"), before);

    // The bare name is no account of FILES1 (2221): the domain it belongs to
    // holds it. Its own account (FILES1\bob) would stay on FILES1: none exists.
    const std::u16string member(env["member"].begin(), env["member"].end());
    auto change = netenum::SetSessionAccountDisabled(u"\\\\" + member, u"bob", false);
    EXPECT_EQ(change.change, netenum::AccountChange::AlreadyEnabled);
    EXPECT_EQ(change.computer, dc.toStdU16String());

    change = netenum::SetSessionAccountDisabled(u"\\\\" + member, u"FILES1\\bob", false);
    EXPECT_EQ(change.change, netenum::AccountChange::GetInfoFailed);
    EXPECT_EQ(change.computer, u"");

    change = netenum::SetSessionAccountDisabled(u"\\\\" + member, u"OFFICE\\nobody", true);
    EXPECT_EQ(change.change, netenum::AccountChange::GetInfoFailed);
    EXPECT_EQ(change.computer, dc.toStdU16String());

    // A DNS domain in a user's name must be the server's own: DNS knows
    // controllers for evil.test, and they are this domain's own, yet a user
    // written evil.test\carol is still no account of OFFICE.
    std::string output;
    const std::string admin = "--password=" + env["admin_password"];
    domain_test::Run({"samba-tool", "dns", "zonecreate", env["dc"], "evil.test", "-U", "Administrator", admin},
                     "", output);
    ASSERT_EQ(domain_test::Run({"samba-tool", "dns", "add", env["dc"], "evil.test", "_ldap._tcp.dc._msdcs",
                                "SRV", env["dc"] + " 389 0 100", "-U", "Administrator", admin},
                               "", output) == 0 || output.find("already exist") != std::string::npos, true)
        << output;
    change = netenum::SetSessionAccountDisabled(u"\\\\" + member, u"evil.test\\carol", true);
    EXPECT_NE(change.change, netenum::AccountChange::Changed);
    EXPECT_EQ(change.computer, u"");
    EXPECT_EQ(domain_test::AccountControl(env, "carol"), before);

    // The domain's own DNS name is its domain: the controller, confirmed.
    change = netenum::SetSessionAccountDisabled(u"\\\\" + member, u"office.test\\carol", false);
    EXPECT_EQ(change.change, netenum::AccountChange::AlreadyEnabled);
    EXPECT_EQ(change.computer, dc.toStdU16String());
}

}  // namespace

