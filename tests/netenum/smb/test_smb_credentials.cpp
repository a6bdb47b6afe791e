// The logon the provider uses: the auth file's format and the rule that only
// its owner may read it; which ticket caches count.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "netenum/providers/smb/SmbCredentials.h"

namespace {

class AuthFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantor-auth-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        mDir = pattern;
    }
    void TearDown() override {
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

TEST_F(AuthFile, OwnerOnlyFileGivesUserPasswordAndDomain) {
    smb::SmbCredentials c;
    ASSERT_TRUE(c.LoadAuthFile(Write("username = admin\npassword = s3cret = x \ndomain = LAB\n", 0600)))
        << c.Problem();
    EXPECT_EQ(c.User(), "admin");
    EXPECT_EQ(c.Password(), "s3cret = x");  // only the first '=' separates
    EXPECT_EQ(c.Domain(), "LAB");
    EXPECT_TRUE(c.HasPassword());

    smb::SmbCredentials d;
    ASSERT_TRUE(d.LoadAuthFile(Write("# comment\nUsername=OFFICE\\bob\r\npassword=\r\n", 0400)));
    EXPECT_EQ(d.User(), "bob");
    EXPECT_EQ(d.Domain(), "OFFICE");
    EXPECT_EQ(d.Password(), "");
}

TEST_F(AuthFile, FilesOthersCanReachAreRefusedWithoutRepeatingThePassword) {
    for (mode_t mode : {0644, 0640, 0604, 0660, 0602}) {
        smb::SmbCredentials c;
        EXPECT_FALSE(c.LoadAuthFile(Write("username = admin\npassword = s3cret\n", mode))) << mode;
        EXPECT_NE(c.Problem().find("chmod 600"), std::string::npos) << c.Problem();
        EXPECT_EQ(c.Problem().find("s3cret"), std::string::npos);
        EXPECT_EQ(c.Password(), "");
    }
}

TEST_F(AuthFile, MissingFolderOrUserlessFilesAreRefused) {
    smb::SmbCredentials c;
    EXPECT_FALSE(c.LoadAuthFile(mDir + "/none"));
    EXPECT_FALSE(c.Problem().empty());
    EXPECT_FALSE(c.LoadAuthFile(mDir));
    EXPECT_FALSE(c.LoadAuthFile(Write("password = x\n", 0600)));
    EXPECT_NE(c.Problem().find("username"), std::string::npos);
}

TEST_F(AuthFile, EnvironmentNamesTheFileAndReportsARefusal) {
    setenv("VANTOR_SMB_AUTHFILE", Write("username = u\npassword = p\n", 0600).c_str(), 1);
    auto good = smb::SmbCredentials::FromEnvironment();
    EXPECT_EQ(good.User(), "u");
    EXPECT_TRUE(good.Problem().empty());
    setenv("VANTOR_SMB_AUTHFILE", Write("username = u\npassword = p\n", 0644).c_str(), 1);
    auto refused = smb::SmbCredentials::FromEnvironment();
    EXPECT_EQ(refused.User(), "");
    EXPECT_FALSE(refused.HasPassword());
    EXPECT_FALSE(refused.Problem().empty());
    unsetenv("VANTOR_SMB_AUTHFILE");
}

TEST_F(AuthFile, TicketCacheCountsOnlyWhenItCanExist) {
    const unsigned me = geteuid();
    const std::string cache = Write("", 0600);
    EXPECT_TRUE(smb::SmbCredentials::TicketCacheExists("FILE:" + cache, me));
    EXPECT_TRUE(smb::SmbCredentials::TicketCacheExists(cache, me));
    EXPECT_FALSE(smb::SmbCredentials::TicketCacheExists("FILE:" + mDir + "/none", me));
    EXPECT_TRUE(smb::SmbCredentials::TicketCacheExists("KEYRING:persistent:0", me));
    EXPECT_FALSE(smb::SmbCredentials::TicketCacheExists("MEMORY:x", me));
    EXPECT_FALSE(smb::SmbCredentials::TicketCacheExists("", 3999999));
}

// Hostile files where the logon looks for its secrets.
TEST_F(AuthFile, PlantedOrOpenTicketCachesAreNotTrusted) {
    const unsigned me = geteuid();
    // Someone else's cache (as seen by a user of another id), or one others can read.
    const std::string cache = Write("", 0600);
    EXPECT_FALSE(smb::SmbCredentials::TicketCacheExists(cache, me + 1));
    EXPECT_FALSE(smb::SmbCredentials::TicketCacheExists(Write("", 0644), me));
    EXPECT_FALSE(smb::SmbCredentials::TicketCacheExists("DIR:" + cache, me));  // not a folder
    chmod(mDir.c_str(), 0700);
    EXPECT_TRUE(smb::SmbCredentials::TicketCacheExists("DIR:" + mDir, me));
}

TEST_F(AuthFile, AFifoIsRefusedAtOnceInsteadOfHangingStartUp) {
    const std::string fifo = mDir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    smb::SmbCredentials c;
    EXPECT_FALSE(c.LoadAuthFile(fifo));  // before: blocked in open() for ever
    EXPECT_NE(c.Problem().find("not a regular file"), std::string::npos) << c.Problem();
}

TEST_F(AuthFile, ALoadedPasswordMakesTheProcessUndumpable) {
    ASSERT_EQ(prctl(PR_SET_DUMPABLE, 1, 0, 0, 0), 0);
    smb::SmbCredentials without;
    ASSERT_TRUE(without.LoadAuthFile(Write("username = u\n", 0600)));
    EXPECT_EQ(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 1);
    smb::SmbCredentials with;
    ASSERT_TRUE(with.LoadAuthFile(Write("username = u\npassword = p\n", 0600)));
    EXPECT_EQ(prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);  // the sanitizers' leak check attaches to us
}

}  // namespace
