// The tray's window procedure, driven by the callback message 2025 and the
// system commands the desktop would send, with the main window alone or under
// Open Resources.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "GuiTestEnvironment.h"
#include "app/window/APIStuff.h"
#include "app/window/WindowMessage.h"
#include "netenum/MessageTarget.h"
#include "support/ScriptedProvider.h"
#include "windows/common/ReportList.h"
#include "windows/common/Settings.h"
#include "windows/resources/frmResources.h"

using namespace app;

namespace {

class Tray : public ::testing::Test {
protected:
    void SetUp() override {
        gui_test::RemoveSettings();
        window.SetTrayAreaProbe([this] { return area; });
        window.Load();
    }

    void Minimize() {
        window.showMinimized();
        QCoreApplication::processEvents();  // the posted SC_MINIMIZE
    }
    void Notify(std::uint32_t mouse) { SendWindowMessage(&window, TRAY_CALLBACK_MESSAGE, 0, mouse); }

    gui_test::Doubles doubles;
    testing_support::ScriptedNetwork net;
    bool area = true;  // whether the desktop has a notification area
    ToolWindowFactory openResources;  // what "&In Use" opens, set by a test
    frmMain window{{.resources = [this](common::MainFormLink& main, QWidget* parent) {
        return openResources(main, parent);
    }}};
};

TEST_F(Tray, ALeftClickBringsBackTheTopWindowAndTheMenuRestoresOrCloses) {
    ASSERT_NE(window.tray(), nullptr);
    Minimize();
    EXPECT_FALSE(window.isVisible());
    // Moves, button downs and double clicks do nothing by themselves.
    for (const auto mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN}) Notify(mouse);
    EXPECT_FALSE(window.isVisible());
    emit window.tray()->Icon()->activated(QSystemTrayIcon::Trigger);  // arrives posted, as WM_LBUTTONUP
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized), Qt::WindowNoState);

    Notify(WM_RBUTTONUP);
    ASSERT_TRUE(window.mnuTray->isVisible());
    ASSERT_EQ(window.mnuTray->actions().size(), 2);
    EXPECT_EQ(window.mnuTray->actions()[0]->text(), "Restore");
    EXPECT_EQ(window.mnuTray->actions()[1]->text(), "Close");
    QTest::keyClick(window.mnuTray, Qt::Key_Escape);  // closes the menu, not the program
    EXPECT_FALSE(window.mnuTray->isVisible());
    EXPECT_TRUE(window.isVisible());

    // "&In Use" runs Open Resources modally with the main window hidden; a left
    // click on the icon brings that window back to normal, never the main window.
    net.provider().files.records = {{1, 0, 0, u"C:\\here.txt", u"me"}};
    openResources = gui_test::Factory<resources::frmResources>();
    bool ranInside = false;
    QTimer::singleShot(0, [&] {
        auto* open = qobject_cast<resources::frmResources*>(window.ResourcesWindow());
        ASSERT_NE(open, nullptr);
        ranInside = true;
        EXPECT_FALSE(window.isVisible());
        // The list fills once the window is on screen.
        EXPECT_TRUE(QTest::qWaitFor([&] { return open->lstvwResources->RowCount() == 1; }, 5000));
        for (const auto state : {Qt::WindowMinimized, Qt::WindowMaximized}) {
            open->setWindowState(state);
            Notify(WM_LBUTTONUP);
            EXPECT_EQ(open->windowState(), Qt::WindowNoState);
            EXPECT_TRUE(open->isVisible());
        }
        Notify(WM_LBUTTONUP);  // it is normal now: restoring the main window is refused
        SendWindowMessage(&window, WM_SYSCOMMAND, SC_RESTORE, 0);
        EXPECT_FALSE(window.isVisible());
        open->cmdClose->click();
    });
    window.cmdInUse->click();  // returns when the window has closed
    EXPECT_TRUE(ranInside);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.ResourcesWindow(), nullptr);
    EXPECT_EQ(netenum::CurrentForm(), &window);

    Minimize();
    window.mnuTrayRestore->trigger();
    EXPECT_TRUE(window.isVisible());

    Minimize();
    window.mnuTrayClose->trigger();
    EXPECT_EQ(window.tray(), nullptr);
    EXPECT_EQ(common::GetOption("Computer"), "**LOCAL**");
    Notify(WM_LBUTTONUP);  // the procedure is gone: nothing reacts
    EXPECT_FALSE(window.isVisible());
}

// The window hides into the tray only while its icon is really there;
// without a notification area a minimize is an ordinary one.
class NoTrayArea : public Tray {
protected:
    NoTrayArea() { area = false; }
};

TEST_F(NoTrayArea, APanelStartedLaterGetsTheIconAndOnlyThenMinimizeHides) {
    ASSERT_NE(window.tray(), nullptr);
    EXPECT_FALSE(window.tray()->Icon()->isVisible());
    Minimize();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);
    SendWindowMessage(&window, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(window.windowState() & Qt::WindowMinimized);

    area = true;  // a panel has started, the icon is not in it yet
    Minimize();
    EXPECT_TRUE(window.isVisible());  // before: hidden, with no icon to bring it back
    window.showNormal();

    window.tray()->ShowIconWhenAreaExists();  // what the timer does
    EXPECT_TRUE(window.tray()->Icon()->isVisible());
    Minimize();
    EXPECT_FALSE(window.isVisible());

    // The panel quits: the window goes back to the taskbar, still minimized.
    area = false;
    window.tray()->ShowIconWhenAreaExists();
    EXPECT_FALSE(window.tray()->Icon()->isVisible());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowState() & Qt::WindowMinimized);
}

}  // namespace
