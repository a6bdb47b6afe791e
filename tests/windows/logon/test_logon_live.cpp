// Logging on to a private Samba server (started by the "samba" fixture) with
// no auth file and no Kerberos ticket: the anonymous logon may not list open
// files, so the prompt comes; a wrong password, the right one, and the
// account used again without asking. Run directly and through the fixture's
// message-mode relay.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <cstdlib>
#include <map>
#include <memory>

#include "FakeKeyring.h"
#include "netenum/MessageTarget.h"
#include "netenum/NetBuffer.h"
#include "netenum/colFileEnum.h"
#include "netenum/netapi.h"
#include "netenum/CallControl.h"
#include "smb/SmbProvider.h"
#include "support/LiveFixture.h"
#include "support/ScriptedProvider.h"
#include "support/ScriptedPrompts.h"
#include "tests/smb/SambaPass.h"
#include "text/Text.h"
#include "windows/common/CallWait.h"
#include "windows/logon/DesktopLogon.h"

namespace {

common::LogonAnswer Typed(const std::string& user, const std::string& password) {
    return {QString::fromStdString(user), QString::fromStdString(password), {}, false, false};
}

class LogOnLive : public testing_support::SambaTest {
protected:
    void SetUp() override {
        SambaTest::SetUp();
        if (IsSkipped()) return;
        smbtest::ReachSamba();
        unsetenv("VANTOR_SMB_AUTHFILE");
        setenv("KRB5CCNAME", "FILE:/nonexistent/vantor-no-ticket", 1);
        previousPrompts = common::SetPrompts(prompts);
        lookup = std::make_shared<logon::DesktopLogon>(keyring);
        logon::SetLookup(lookup);
        netapi::SetProvider(smb::MakeSmbProvider());
        netenum::SetCurrentForm(&sink);
    }
    void TearDown() override {
        netenum::SetCurrentForm(nullptr);
        netapi::SetProvider(nullptr);
        logon::SetLookup(nullptr);
        common::SetPrompts(previousPrompts);
        EXPECT_EQ(netapi::LiveBufferCount(), 0u);
    }
    // Listing open files needs an administrator: an anonymous logon gets 5.
    netapi::NET_API_STATUS Files() {
        netenum::NetBuffer buffer;
        netapi::DWORD read = 0, total = 0;
        return netapi::NetFileEnum(text::FromUtf8(host).c_str(), nullptr, nullptr, 3, buffer.Out(),
                                   netapi::MAX_PREFERRED_LENGTH, &read, &total, nullptr);
    }

    std::shared_ptr<common::ScriptedPrompts> prompts = std::make_shared<common::ScriptedPrompts>();
    std::shared_ptr<common::Prompts> previousPrompts;
    std::shared_ptr<logon_test::FakeKeyring> keyring = std::make_shared<logon_test::FakeKeyring>();
    std::shared_ptr<logon::DesktopLogon> lookup;
    testing_support::RecordingSink sink;
};

TEST_F(LogOnLive, ACancelStandsAWrongPasswordAsksAgainTheRightOneListsAndIsUsedWithoutAsking) {
    // Cancelled: the failure line stays, and the same command does not ask again.
    netenum::colFileEnum files;
    files.Init(text::FromUtf8(host));
    ASSERT_EQ(prompts->asked().size(), 1u);
    EXPECT_EQ(prompts->asked()[0].title, QString::fromStdString("Log on to " + host));
    EXPECT_TRUE(prompts->asked()[0].text.startsWith(QString::fromStdString(host + " refused: Access is denied.")))
        << prompts->asked()[0].text.toStdString();
    EXPECT_NE(sink.text.find(u"NetFileEnum error 5 : Access is denied."), std::u16string::npos)
        << testing_support::S(sink.text);
    EXPECT_EQ(Files(), netapi::ERROR_ACCESS_DENIED);
    EXPECT_EQ(prompts->asked().size(), 1u);

    lookup->AskAgain();
    prompts->logonAnswers = {Typed(env["admin"], "wrong-password"),
                             Typed(env["admin"], env["admin_password"])};
    EXPECT_EQ(Files(), 0u);
    ASSERT_EQ(prompts->asked().size(), 3u);
    EXPECT_EQ(prompts->asked()[2].text, "The user name or password is incorrect. Try again.");
    EXPECT_EQ(prompts->logonRequests[2].user, QString::fromStdString(env["admin"]));

    // Later calls, and a new connection of the same run, log on without asking.
    EXPECT_EQ(Files(), 0u);
    netapi::SetProvider(smb::MakeSmbProvider());
    EXPECT_EQ(Files(), 0u);
    EXPECT_EQ(prompts->asked().size(), 3u);
    EXPECT_EQ(prompts->unanswered(), 1);  // the cancel
}

TEST_F(LogOnLive, AWindowsCallOnItsWorkerAsksOnTheWindowThread) {
    // As in the window program: the call runs on a worker, the prompt (and
    // the keyring) must not; the worker waits for the answer.
    common::WaitingCallRunner runner;
    netapi::SetCallRunner(&runner);
    QThread* askedOn = nullptr;
    prompts->onLogOn = [&] { askedOn = QThread::currentThread(); };
    prompts->logonAnswers = {Typed(env["admin"], env["admin_password"])};
    const auto status = Files();
    netapi::SetCallRunner(nullptr);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(prompts->asked().size(), 1u);
    EXPECT_EQ(askedOn, QCoreApplication::instance()->thread());
}

TEST_F(LogOnLive, AnAccountWithoutRightsIsAskedOnceThenTheDenialStands) {
    // A plain user logs on but may not list open files: the prompt comes
    // once, and the 5 that follows stands.
    const std::string alice = "vantortest_alice";
    prompts->logonAnswers = {Typed(alice, env["password"]), Typed(alice, env["password"])};
    EXPECT_EQ(Files(), netapi::ERROR_ACCESS_DENIED);
    EXPECT_EQ(prompts->asked().size(), 1u);
}

}  // namespace
