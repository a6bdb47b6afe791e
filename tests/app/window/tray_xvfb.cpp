// The real notification-area icon on an X display with a tray host (trayer):
// it shows, a left click brings the hidden window back, a right click pops up
// the menu, whose "Close" ends the window and takes the icon away. Skips where
// there is no X display, no trayer or no xdotool.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>

#include "GuiTestEnvironment.h"
#include "app/window/APIStuff.h"
#include "support/ScriptedProvider.h"

namespace {

constexpr int kWaitMs = 15000;

QWidget* TrayIconWidget() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->inherits("QSystemTrayIconSys") && widget->isVisible()) return widget;
    return nullptr;
}

bool ClickAt(QWidget* window, QPoint where, int button) {
    return QProcess::execute("xdotool", {"mousemove", "--window", QString::number(window->winId()),
                                         QString::number(where.x()), QString::number(where.y()),
                                         "click", QString::number(button)}) == 0;
}

TEST(TrayOnXvfb, TheRealIconShowsAndItsClicksReachTheWindow) {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "no X display";
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) GTEST_SKIP() << "no xdotool";
    QProcess trayer;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        if (QStandardPaths::findExecutable("trayer").isEmpty()) GTEST_SKIP() << "no trayer";
        trayer.start("trayer", {"--edge", "top", "--align", "right", "--SetDockType", "false"});
        if (!QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, kWaitMs))
            GTEST_SKIP() << "no notification area on this display";
    }
    const auto stopTrayer = qScopeGuard([&] {
        trayer.terminate();
        if (!trayer.waitForFinished(3000)) trayer.kill();
    });

    gui_test::RemoveSettings();
    gui_test::Doubles doubles;
    testing_support::ScriptedNetwork net;
    app::frmMain window;
    window.Load();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QWidget* icon = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (icon = TrayIconWidget()) != nullptr; }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(icon, kWaitMs));

    window.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, kWaitMs));
    ASSERT_TRUE(ClickAt(icon, icon->rect().center(), 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, kWaitMs));

    ASSERT_TRUE(ClickAt(icon, icon->rect().center(), 3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.mnuTray->isVisible(); }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.mnuTray, kWaitMs));
    ASSERT_TRUE(ClickAt(window.mnuTray, window.mnuTray->actionGeometry(window.mnuTrayClose).center(), 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.tray() == nullptr; }, kWaitMs));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(TrayIconWidget(), nullptr);
}

}  // namespace
