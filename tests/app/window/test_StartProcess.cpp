// The program as started from outside: the command line decides before any
// window exists, "/p" in any case starts the window, a broken network setting
// is one line on the error stream.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

class StartProcess : public ::testing::Test {
protected:
    void SetUp() override {
        environment.insert("XDG_CONFIG_HOME", settings.path());
        environment.insert("VANTOR_NETWORK", "demo");
        environment.insert("VANTOR_EXIT_AFTER_SHOWN", "1");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    }
    // The exit code, or -1 for a crash or a hang.
    int Start(const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(VANTOR_BINARY, arguments);
        const bool finished = process.waitForFinished(60000);
        if (!finished) process.kill();
        out = process.readAllStandardOutput();
        err = process.readAllStandardError();
        return finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QTemporaryDir settings;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString out, err;
};

TEST_F(StartProcess, NothingOrSlashPInAnyCaseStartsTheWindow) {
    for (const QStringList& arguments : {QStringList{}, QStringList{" /P "}, QStringList{"", "/p"}}) {
        EXPECT_EQ(Start(arguments), 0) << err.toStdString();
        EXPECT_TRUE(out.startsWith("startup-ms ")) << out.toStdString();
    }
}

TEST_F(StartProcess, TheCommandLineModeNeedsNoDisplayAndShowsNoWindow) {
    for (const char* variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(variable);
    EXPECT_EQ(Start({"filesrv01,*.nothing-matches,c"}), 0) << err.toStdString();
    EXPECT_EQ(out, "");  // a window would have reported its start-up
    EXPECT_EQ(Start({"filesrv01,*.doc"}), 2);
    EXPECT_EQ(Start({"/p"}), 1);  // the window needs a display: one line, no abort
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
}

TEST_F(StartProcess, ABrokenScenarioIsOneLineAndAFailure) {
    QFile file(settings.filePath("broken.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"computers\": [ {\"name\": ");
    file.close();
    environment.insert("VANTOR_NETWORK", file.fileName());
    EXPECT_GT(Start({}), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("broken.json")) << err.toStdString();
}

}  // namespace
