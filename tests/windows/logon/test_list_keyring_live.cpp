// The list mode logs on as the close mode does: the real keyring (a Secret
// Service of the test's own, see keyring-session) is read before the
// per-server processes start, against the private smbd of the "samba"
// fixture, directly and through its message-mode relay; a refused logon says
// which account was tried, never its password.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <fstream>

#include "support/LiveFixture.h"
#include "support/ProgramRun.h"
#include "windows/logon/DesktopLogon.h"

namespace {

class ListModeKeyring : public testing_support::SambaTest {
protected:
    void SetUp() override {
        SambaTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(keyring.Write(Key(), {"nobody", "x", ""})) << "no Secret Service answered";
    }
    void TearDown() override { keyring.Remove(Key()); }
    QString Key() const { return QString::fromStdString("server/" + host); }
    void Keep(const std::string& user, const std::string& password) {
        ASSERT_TRUE(keyring.Write(Key(), {user, password, "VANTORTEST"}));
    }
    // `vantor --list ARGS` on the real network, without ticket or settings.
    testing_support::ProgramRun List(const std::vector<std::string>& args, const std::string& authFile = "") {
        std::map<std::string, std::string> set = {{"VANTOR_NETWORK", "smb"},
                                                  {"XDG_CONFIG_HOME", env["root"] + "/list-config"},
                                                  {"KRB5CCNAME", "FILE:/nonexistent/vantor-no-ticket"}};
        // Through the relay, a client configuration that signs nothing.
        if (!testing_support::Samba().home.empty()) set["HOME"] = testing_support::Samba().home;
        std::vector<std::string> unset = {"VANTOR_SMB_SERVERS", "DISPLAY", "QT_QPA_PLATFORM"};
        if (authFile.empty()) unset.push_back("VANTOR_SMB_AUTHFILE");
        else set["VANTOR_SMB_AUTHFILE"] = authFile;
        // Sessions: an anonymous logon may list shares, not sessions.
        std::vector<std::string> all = {"--list", "sessions", "--format", "csv"};
        all.insert(all.end(), args.begin(), args.end());
        return testing_support::RunProgram(VANTOR_BINARY, all, set, unset);
    }

    logon::QtKeyring keyring;
};

TEST_F(ListModeKeyring, EachServerIsListedWithItsKeyringAccountAndARefusalNamesItNotItsPassword) {
    Keep(env["admin"], env["admin_password"]);
    // One server in this process, and two in processes of their own (the
    // same computer under two names the keyring knows as one).
    const std::string otherName = testing_support::Samba().viaRelay ? "\\\\" + host : "localhost";
    for (const auto& servers : std::vector<std::vector<std::string>>{
             {"--server", host}, {"--server", host, "--server", otherName}}) {
        const auto run = List(servers);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out.rfind("server,user,client,", 0), 0u) << run.out;
    }

    // A refused logon says what was tried and never the password.
    Keep(env["admin"], "Wrong-Kept-Password-1");
    auto run = List({"--server", host});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("vantor: " + host + ": logged on with the keyring's account (VANTORTEST\\" +
                           env["admin"] + "); the server refused it"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("Wrong-Kept-Password-1"), std::string::npos);

    // Without a keyring account, the auth file's, named by its path.
    keyring.Remove(Key());
    const std::string wrong = env["root"] + "/wrong.auth";
    run = List({"--server", host}, wrong);
    EXPECT_NE(run.err.find("logged on with the account of the auth file " + wrong), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("wrong-" + env["admin_password"]), std::string::npos);
}

}  // namespace
