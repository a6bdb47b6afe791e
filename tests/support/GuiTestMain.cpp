// The main of every window test: one QApplication for the process (none when
// ctest only asks for the list of tests), no session bus (unless the test
// brings its own, VANTOR_TEST_OWN_SESSION_BUS), and settings in a private
// folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstring>

#include "GuiTestMain.h"

namespace {
QString gSettingsHome;
}

namespace gui_support {
QString SettingsHome() { return gSettingsHome; }
}  // namespace gui_support

int main(int argc, char** argv) {
    // Read before InitGoogleTest, which removes the flags it knows from argv.
    bool listOnly = false;
    for (int i = 1; i < argc; ++i)
        listOnly = listOnly || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    testing::InitGoogleTest(&argc, argv);
    if (listOnly) return RUN_ALL_TESTS();

#ifdef VANTOR_TEST_REAL_DISPLAY
    // Without a display the tests skip; a Qt program on xcb would abort instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
#else
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
#ifndef VANTOR_TEST_OWN_SESSION_BUS
    // No session bus: the tray must not go through D-Bus, and libdbus keeps
    // memory the leak checker would report.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
#endif
    QTemporaryDir settingsHome;
    gSettingsHome = settingsHome.path();
    qputenv("XDG_CONFIG_HOME", gSettingsHome.toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, gSettingsHome);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, gSettingsHome);

    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
