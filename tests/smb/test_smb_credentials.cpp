// The logon the provider uses: the auth file's format and the rule that only
// its owner may read it; which ticket caches count and whose ticket they hold.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include <krb5.h>

#include "smb/Directory.h"
#include "smb/KerberosTicket.h"
#include "smb/SmbCredentials.h"

namespace {

// A folder of the test's own, and krb5.conf's default cache in it (used
// when KRB5CCNAME is not set).
class Logon : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantor-auth-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        mDir = pattern;
        std::ofstream(mDir + "/krb5.conf")
            << "[libdefaults]\n default_ccache_name = FILE:" << mDir << "/default\n";
        setenv("KRB5_CONFIG", (mDir + "/krb5.conf").c_str(), 1);
        unsetenv("KRB5CCNAME");
    }
    void TearDown() override {
        unsetenv("KRB5_CONFIG");
        unsetenv("KRB5CCNAME");
        std::system(("rm -rf " + mDir).c_str());
    }
    std::string Write(const std::string& content, mode_t mode) {
        const std::string path = mDir + "/auth" + std::to_string(++mCount);
        std::ofstream(path) << content;
        chmod(path.c_str(), mode);
        return path;
    }
    std::string mDir;
    int mCount = 0;
};

// A password loaded makes the process undumpable.
TEST_F(Logon, OwnerOnlyFilesGiveUserPasswordAndDomainAlsoWhenTheEnvironmentNamesThem) {
    ASSERT_EQ(prctl(PR_SET_DUMPABLE, 1, 0, 0, 0), 0);
    smb::SmbCredentials without;
    ASSERT_TRUE(without.LoadAuthFile(Write("username = u\n", 0600)));
    EXPECT_EQ(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 1);
    smb::SmbCredentials c;
    ASSERT_TRUE(c.LoadAuthFile(Write("username = admin\npassword = s3cret = x \ndomain = LAB\n", 0600)))
        << c.Problem();
    EXPECT_EQ(c.User(), "admin");
    EXPECT_EQ(c.Password(), "s3cret = x");  // only the first '=' separates
    EXPECT_EQ(c.Domain(), "LAB");
    EXPECT_TRUE(c.HasPassword());
    EXPECT_EQ(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);

    smb::SmbCredentials d;
    ASSERT_TRUE(d.LoadAuthFile(Write("# comment\nUsername=OFFICE\\bob\r\npassword=\r\n", 0400)));
    EXPECT_EQ(d.User(), "bob");
    EXPECT_EQ(d.Domain(), "OFFICE");
    EXPECT_EQ(d.Password(), "");

    // The environment names the file and reports a refusal.
    for (const mode_t mode : {0600, 0644}) {
        setenv("VANTOR_SMB_AUTHFILE", Write("username = u\npassword = p\n", mode).c_str(), 1);
        const auto named = smb::SmbCredentials::FromEnvironment();
        EXPECT_EQ(named.User(), mode == 0600 ? "u" : "") << mode;
        EXPECT_EQ(named.HasPassword(), mode == 0600);
        EXPECT_EQ(named.Problem().empty(), mode == 0600);
    }
    unsetenv("VANTOR_SMB_AUTHFILE");

    // An account from the keyring or the log-on prompt is a password held too.
    prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
    smb::SmbCredentials given;
    given.UseAccount({"ann", "pw", "OFFICE"}, "the keyring's account");
    EXPECT_EQ(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);  // the sanitizers' leak check attaches to us
}

// Files others can reach are refused without repeating the password.
TEST_F(Logon, OpenMissingFoldersFifosAndUserlessFilesAreRefused) {
    const std::string fifo = mDir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::pair<std::string, std::string>> refused = {
        {mDir + "/none", ""},
        {mDir, ""},
        {Write("password = x\n", 0600), "username"},
        {fifo, "not a regular file"}};  // at once: it once blocked in open() for ever
    for (mode_t mode : {0644, 0640, 0604, 0660, 0602})
        refused.emplace_back(Write("username = admin\npassword = s3cret\n", mode), "chmod 600");
    for (const auto& [path, problem] : refused) {
        smb::SmbCredentials c;
        EXPECT_FALSE(c.LoadAuthFile(path)) << path;
        EXPECT_FALSE(c.Problem().empty());
        EXPECT_NE(c.Problem().find(problem), std::string::npos) << c.Problem();
        EXPECT_EQ(c.Problem().find("s3cret"), std::string::npos);
        EXPECT_TRUE(c.Password().empty() && !c.HasPassword()) << "a refused file keeps no password";
    }
}

// A cache as kinit leaves it: the client's principal and one ticket-granting
// ticket for its realm that ends at `end`.
void WriteCache(const std::string& name, const char* client, std::time_t end) {
    krb5_context context = nullptr;
    ASSERT_EQ(krb5_init_context(&context), 0);
    krb5_ccache cache = nullptr;
    ASSERT_EQ(krb5_cc_resolve(context, name.c_str(), &cache), 0) << name;
    krb5_creds creds{};
    ASSERT_EQ(krb5_parse_name(context, client, &creds.client), 0);
    ASSERT_EQ(krb5_cc_initialize(context, cache, creds.client), 0) << name;
    const std::string realm(creds.client->realm.data, creds.client->realm.length);
    ASSERT_EQ(krb5_parse_name(context, ("krbtgt/" + realm + "@" + realm).c_str(), &creds.server), 0);
    creds.times.authtime = creds.times.starttime = static_cast<krb5_timestamp>(std::time(nullptr) - 60);
    creds.times.endtime = static_cast<krb5_timestamp>(end);
    EXPECT_EQ(krb5_cc_store_cred(context, cache, &creds), 0);
    krb5_free_cred_contents(context, &creds);
    krb5_cc_close(context, cache);
    krb5_free_context(context);
}

TEST_F(Logon, ThePrincipalComesFromWhicheverCacheTheLibraryNamesIfUnexpired) {
    const std::time_t later = std::time(nullptr) + 3600;
    WriteCache("FILE:" + mDir + "/default", "Dflt@OFFICE.TEST", later);
    auto ticket = smb::CurrentKerberosTicket();
    ASSERT_TRUE(ticket);
    EXPECT_EQ(ticket->principal, "Dflt@OFFICE.TEST");
    EXPECT_EQ(ticket->cacheName, "FILE:" + mDir + "/default");

    WriteCache("FILE:" + mDir + "/file", "Administrator@OFFICE.TEST", later);
    for (const std::string& name : {"FILE:" + mDir + "/file", mDir + "/file"}) {
        setenv("KRB5CCNAME", name.c_str(), 1);
        ticket = smb::CurrentKerberosTicket();
        ASSERT_TRUE(ticket) << name;
        EXPECT_EQ(ticket->principal, "Administrator@OFFICE.TEST");
    }

    // A collection: the library finds its primary cache inside the folder.
    const std::string collection = mDir + "/collection";
    mkdir(collection.c_str(), 0700);
    WriteCache("DIR:" + collection, "alice@OFFICE.TEST", later);
    setenv("KRB5CCNAME", ("DIR:" + collection).c_str(), 1);
    ticket = smb::CurrentKerberosTicket();
    ASSERT_TRUE(ticket);
    EXPECT_EQ(ticket->principal, "alice@OFFICE.TEST");
    EXPECT_EQ(ticket->cacheName.rfind("DIR::" + collection + "/", 0), 0u) << ticket->cacheName;
    EXPECT_TRUE(smb::SmbCredentials::CacheIsOurs(ticket->cacheName, geteuid()));

    // Expired, missing, empty: no ticket, and the logon is the auth file's.
    WriteCache("FILE:" + mDir + "/old", "Administrator@OFFICE.TEST", std::time(nullptr) - 10);
    for (const std::string& name : {"FILE:" + mDir + "/old", "FILE:" + mDir + "/none",
                                    "FILE:" + Write("not a cache", 0600), std::string("MEMORY:nothing")}) {
        setenv("KRB5CCNAME", name.c_str(), 1);
        EXPECT_FALSE(smb::CurrentKerberosTicket()) << name;
    }
    EXPECT_FALSE(smb::SmbCredentials::FromEnvironment().UseKerberos());
}

// Hostile files where the logon looks for its secrets.
TEST_F(Logon, PlantedOrOpenCachesAreNotTrustedNorIsTheirDomain) {
    const unsigned me = geteuid();
    const std::string cache = Write("", 0600);
    for (const std::string& name : {"FILE:" + cache, cache, "DIR::" + cache, std::string("KEYRING:persistent:0")})
        EXPECT_TRUE(smb::SmbCredentials::CacheIsOurs(name, me)) << name;
    // Missing, someone else's (as a user of another id sees it), readable by others, not a folder.
    const std::pair<std::string, unsigned> refused[] = {{"FILE:" + mDir + "/none", me}, {"FILE:" + cache, me + 1},
                                                         {"FILE:" + Write("", 0644), me}, {"DIR:" + cache, me}};
    for (const auto& [name, uid] : refused) EXPECT_FALSE(smb::SmbCredentials::CacheIsOurs(name, uid)) << name;
    chmod(mDir.c_str(), 0700);
    EXPECT_TRUE(smb::SmbCredentials::CacheIsOurs("DIR:" + mDir, me));

    const std::string planted = mDir + "/planted";
    WriteCache("FILE:" + planted, "Mallory@EVIL.TEST", std::time(nullptr) + 3600);
    setenv("KRB5CCNAME", ("FILE:" + planted).c_str(), 1);
    chmod(planted.c_str(), 0644);  // as a cache another user left in a shared folder reads
    EXPECT_TRUE(smb::CurrentKerberosTicket());
    EXPECT_EQ(smb::TicketDomain(), "");
    chmod(planted.c_str(), 0600);
    EXPECT_EQ(smb::TicketDomain(), "evil.test");
}

TEST_F(Logon, AComputerNobodyNamedGetsTheTicketOrNoAccountAndTheLogonIsSaidInWords) {
    WriteCache("FILE:" + mDir + "/mine", "ann@OFFICE.TEST", std::time(nullptr) + 3600);
    setenv("KRB5CCNAME", ("FILE:" + mDir + "/mine").c_str(), 1);
    const std::string file = Write("username = OFFICE\\ann\npassword = s3cret\n", 0600);
    setenv("VANTOR_SMB_AUTHFILE", file.c_str(), 1);
    const smb::SmbCredentials named = smb::SmbCredentials::FromEnvironment();
    unsetenv("VANTOR_SMB_AUTHFILE");
    EXPECT_EQ(named.Describe(),
              "the Kerberos ticket of ann@OFFICE.TEST, then the account of the auth file " + file +
                  " (OFFICE\\ann)");

    // A ticket cannot vouch for an address: nothing at all goes there.
    const std::string ticket = "the Kerberos ticket of ann@OFFICE.TEST", none = "no account (anonymous)";
    for (const auto& [to, said] : {std::pair{"files.office.test", ticket}, {"10.0.0.5", none},
                                   {"fe80::5%eth0", none}, {"[2001:db8::5]", none}}) {
        const smb::SmbCredentials unnamed = named.WithoutPassword(to);
        EXPECT_EQ(unnamed.UseKerberos(), said == ticket) << to;
        EXPECT_FALSE(unnamed.HasPassword()) << to;
        EXPECT_EQ(unnamed.Password(), "");
        EXPECT_EQ(unnamed.User(), "");
        EXPECT_EQ(unnamed.Describe(), said);
    }
}

}  // namespace
