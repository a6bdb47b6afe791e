// The window as the main window opens it: "&In Use" hides the main window and
// runs this one modally; a left click on the tray icon brings it back to normal
// when it was minimized or maximized; "&Close" refreshes the summary.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <QPushButton>
#include <QToolButton>

#include "app/window/APIStuff.h"
#include "app/window/WindowMessage.h"
#include "app/window/frmMain.h"
#include "support/WindowTestSupport.h"
#include "windows/common/ReportList.h"
#include "windows/resources/frmResources.h"

using windowtest::OpenFile;

namespace {

TEST(InUseTest, OpensFromTheMainWindowAndTheTrayBringsItBack) {
    auto scenario = windowtest::ServerWith({});
    scenario.computers[0].files = {OpenFile(1, u"me", u"C:\\here.txt")};
    windowtest::Network network(std::move(scenario));
    app::frmMain main({.resources = [](common::MainFormLink& link, QWidget* parent) {
        return std::unique_ptr<QDialog>(std::make_unique<resources::frmResources>(link, parent));
    }});
    main.SetTrayAreaProbe([] { return true; });
    main.Load();

    bool mainHidden = false, restored[2] = {false, false};
    int rows = -1;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<resources::frmResources*>(main.ResourcesWindow());
        if (window == nullptr) return;
        mainHidden = !main.isVisible();
        // The list fills once the window is on screen.
        QTest::qWaitFor([&] { return window->lstvwResources->RowCount() > 0; }, 5000);
        rows = window->lstvwResources->RowCount();
        int i = 0;
        for (auto state : {Qt::WindowMinimized, Qt::WindowMaximized}) {
            window->setWindowState(state);
            app::SendWindowMessage(&main, app::TRAY_CALLBACK_MESSAGE, 0, app::WM_LBUTTONUP);
            restored[i++] = window->windowState() == Qt::WindowNoState && window->isVisible();
        }
        window->cmdClose->click();
    });
    main.cmdInUse->click();  // returns when the window has closed

    EXPECT_TRUE(mainHidden);
    EXPECT_EQ(rows, 1);
    EXPECT_TRUE(restored[0]);
    EXPECT_TRUE(restored[1]);
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(main.ResourcesWindow(), nullptr);
    EXPECT_EQ(netenum::CurrentForm(), &main);
}

}  // namespace
