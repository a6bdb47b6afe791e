// Where an installed and a self-built program find their data and keep the
// usage log. Real folders with real modes; the environment is the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "windows/common/Locations.h"

namespace {

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

class LocationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        programFolder = root.filePath("prefix/bin");
        ASSERT_TRUE(QDir().mkpath(programFolder));
        qputenv("XDG_STATE_HOME", root.filePath("state").toUtf8());
    }
    void TearDown() override {
        QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qunsetenv("XDG_STATE_HOME");
    }
    void Install() {
        ASSERT_TRUE(QDir().mkpath(root.filePath("prefix/share/vantor")));
        Touch(root.filePath("prefix/share/vantor/faq.fil"));
    }
    QString InState() const { return root.filePath("state/vantor/usage.txt"); }

    QTemporaryDir root;
    QString programFolder;
};

TEST_F(LocationsTest, UsageLogStaysBesideAWritableSelfBuiltProgramOnly) {
    // A self-built or copied program: the classic place.
    EXPECT_EQ(common::UsageLogFileName(programFolder), programFolder + "/usage.txt");
    // An installed one keeps it in the state folder even where it may write
    // (root may write to /usr/bin; the log still does not belong there).
    Install();
    ASSERT_TRUE(common::FolderWritable(programFolder));
    EXPECT_TRUE(common::IsInstalled(programFolder));
    EXPECT_EQ(common::UsageLogFileName(programFolder), InState());
    QFile::remove(root.filePath("prefix/share/vantor/faq.fil"));

    // A read-only folder, also for root, whom the file system would let in.
    ASSERT_TRUE(QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::ExeOwner |
                                                         QFile::ReadOther | QFile::ExeOther));
    EXPECT_FALSE(common::FolderWritable(programFolder));
    EXPECT_EQ(common::UsageLogFileName(programFolder), InState());
}

TEST_F(LocationsTest, StateFolderFollowsXdgAndFallsBackToTheHomeFolder) {
    EXPECT_EQ(common::StateFolder(), root.filePath("state/vantor"));
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", root.filePath("home").toUtf8());
    qputenv("XDG_STATE_HOME", "relative/state");  // not absolute: ignored
    EXPECT_EQ(common::StateFolder(), root.filePath("home/.local/state/vantor"));
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(common::StateFolder(), root.filePath("home/.local/state/vantor"));
    qputenv("HOME", home);
}

TEST_F(LocationsTest, HelpTextIsFoundBesideTheProgramFirstThenInTheDataFolder) {
    // Nowhere: the classic place, so the viewer names the missing file.
    EXPECT_EQ(common::DataFolder(programFolder), programFolder + "/");
    Install();
    EXPECT_EQ(common::DataFolder(programFolder + "/"), root.filePath("prefix/share/vantor/"));
    Touch(programFolder + "/faq.fil");  // a build folder holds its own copy
    EXPECT_EQ(common::DataFolder(programFolder), programFolder + "/");
    EXPECT_FALSE(common::IsInstalled(programFolder));
}

TEST_F(LocationsTest, PrivateFolderCreatesEveryMissingPartUserOnly) {
    const mode_t previous = umask(0);  // the modes must not come from the umask
    QString error;
    const QString folder = root.filePath("state/vantor");
    EXPECT_TRUE(common::MakePrivateFolder(folder, error)) << error.toStdString();
    umask(previous);
    for (const QString& made : {root.filePath("state"), folder}) {
        struct stat info {};
        ASSERT_EQ(stat(QFile::encodeName(made).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u) << made.toStdString();
    }
    EXPECT_TRUE(common::MakePrivateFolder(folder, error));  // already there

    Touch(root.filePath("file"));
    EXPECT_FALSE(common::MakePrivateFolder(root.filePath("file/below"), error));
    EXPECT_TRUE(error.contains("file/below")) << error.toStdString();
}

}  // namespace
