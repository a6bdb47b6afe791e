#include "APIStuff.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <exception>

#include "WindowMessage.h"
#include "frmMain.h"

namespace app {
namespace {

class TrayFilter;

QPointer<frmMain> gTrayForm;
QPointer<QMenu> gTrayMenu;
TrayFilter* gTrayFilter = nullptr;  // the replaced procedure's stand-in: owned here
QSystemTrayIcon* gTrayIcon = nullptr;
std::optional<bool> gTrayAreaOverride;

constexpr int kTrayAreaPollMs = 2000;
constexpr Qt::WindowStates kNotNormal = Qt::WindowMinimized | Qt::WindowMaximized;

// The installed window procedure: sees the main window's events before it does.
class TrayFilter final : public QObject {
    Q_OBJECT

public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (gTrayForm == nullptr || watched != gTrayForm.data()) return false;
        if (event->type() == QEvent::WindowStateChange) {
            // A minimize from the title bar or the keyboard is SC_MINIMIZE here.
            // Only while the icon really is in a notification area: otherwise
            // the hidden window could not be brought back.
            if ((gTrayForm->windowState() & Qt::WindowMinimized) && TrayIconShown())
                PostWindowMessage(gTrayForm, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            return false;
        }
        if (event->type() != WindowMessageEvent::EventType()) return false;
        const auto* message = static_cast<const WindowMessageEvent*>(event);
        return TrayWindowProc(message->msg(), message->wParam(), message->lParam());
    }
};

std::uint32_t MouseMessageFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger: return WM_LBUTTONUP;
    case QSystemTrayIcon::Context: return WM_RBUTTONUP;
    case QSystemTrayIcon::DoubleClick: return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::MiddleClick: return WM_MBUTTONUP;
    case QSystemTrayIcon::Unknown: break;
    }
    return WM_MOUSEMOVE;
}

// Showing a window non-modally while a modal one is up is refused, as the
// classic toolkit refused it; the step is then skipped.
bool CanShowNonModal(QWidget* window) {
    QWidget* modal = QApplication::activeModalWidget();
    return modal == nullptr || modal == window;
}

// The Open Resources window while it is open; a closed one counts as normal.
QWidget* ResourcesWindowNotNormal() {
    QWidget* resources = gTrayForm->ResourcesWindow();
    if (resources == nullptr || !(resources->windowState() & kNotNormal)) return nullptr;
    return resources;
}

void BringBackToNormal(QWidget* window) {
    window->setWindowState(window->windowState() & ~kNotNormal);
    window->show();
    window->activateWindow();
    window->raise();
}

// A window hidden by a minimize still carries the minimized state: it comes
// back normal-sized.
void ShowHiddenNormal(QWidget* window) {
    if (window->isVisible()) return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
}

void GiveFocus(QWidget* window) {
    if (!window->isVisible()) return;
    window->activateWindow();
    window->raise();
}

void RestoreMainWindow() {
    if (CanShowNonModal(gTrayForm)) ShowHiddenNormal(gTrayForm);
    SendWindowMessage(gTrayForm, WM_SYSCOMMAND, SC_RESTORE, 0);
    if (gTrayForm != nullptr) GiveFocus(gTrayForm);
}

bool HandleTrayMessage(std::uint32_t msg, std::uint32_t wParam, std::uint32_t lParam) {
    if (msg == TRAY_CALLBACK_MESSAGE) {
        if (lParam == WM_LBUTTONUP) {
            if (QWidget* resources = ResourcesWindowNotNormal())
                BringBackToNormal(resources);
            else
                RestoreMainWindow();
            return true;
        }
        if (lParam == WM_RBUTTONUP) {
            if (gTrayMenu != nullptr) gTrayMenu->popup(QCursor::pos());
            return true;
        }
        return false;
    }
    if (msg == WM_SYSCOMMAND) {
        if (wParam == SC_MINIMIZE) {
            // The window leaves the screen and the taskbar instead.
            gTrayForm->hide();
            return true;
        }
        if (wParam == SC_RESTORE && !gTrayForm->isVisible()) {
            if (QWidget* resources = ResourcesWindowNotNormal()) {
                BringBackToNormal(resources);
            } else if (CanShowNonModal(gTrayForm)) {
                ShowHiddenNormal(gTrayForm);
                GiveFocus(gTrayForm);
                gTrayForm->SetTrayMenuItems(0);
            }
        }
    }
    return false;
}

}  // namespace

bool TrayWindowProc(std::uint32_t msg, std::uint32_t wParam, std::uint32_t lParam) {
    if (gTrayForm == nullptr) return false;
    try {
        return HandleTrayMessage(msg, wParam, lParam);
    } catch (const std::exception&) {
        return false;  // a failing step is skipped; the message goes on
    }
}

void AddTrayIcon(frmMain* window, QMenu* menu) {
    RemoveTrayIcon();
    gTrayForm = window;
    gTrayMenu = menu;
    gTrayFilter = new TrayFilter;
    window->installEventFilter(gTrayFilter);

    gTrayIcon = new QSystemTrayIcon(window->windowIcon());
    QObject::connect(gTrayIcon, &QSystemTrayIcon::activated, gTrayIcon,
                     [](QSystemTrayIcon::ActivationReason reason) {
                         if (gTrayForm != nullptr)
                             PostWindowMessage(gTrayForm, TRAY_CALLBACK_MESSAGE, 0,
                                               MouseMessageFor(reason));
                     });
    // A panel may start after the program: its notification area is looked
    // for again until the icon is in one.
    auto* watch = new QTimer(gTrayIcon);
    QObject::connect(watch, &QTimer::timeout, gTrayIcon, [] { ShowTrayIconWhenAreaExists(); });
    watch->start(kTrayAreaPollMs);
    ShowTrayIconWhenAreaExists();
}

void ShowTrayIconWhenAreaExists() {
    if (gTrayIcon == nullptr) return;
    if (!gTrayIcon->isVisible() && TrayAreaAvailable()) {
        gTrayIcon->show();
    } else if (gTrayIcon->isVisible() && !TrayAreaAvailable()) {
        // Gone again (the panel quit): the icon waits for the next one, and a
        // window minimized into it goes back to the taskbar.
        gTrayIcon->hide();
        if (gTrayForm != nullptr && !gTrayForm->isVisible() &&
            (gTrayForm->windowState() & Qt::WindowMinimized))
            gTrayForm->showMinimized();
    }
}

bool TrayIconShown() {
    return gTrayIcon != nullptr && gTrayIcon->isVisible() && TrayAreaAvailable();
}

void SetTrayTip(const QString& tip) {
    if (gTrayIcon != nullptr) gTrayIcon->setToolTip(tip.left(63));
}

void RemoveTrayIcon() {
    if (gTrayIcon != nullptr) {
        gTrayIcon->hide();
        delete gTrayIcon;
        gTrayIcon = nullptr;
    }
    if (gTrayFilter != nullptr) {
        if (gTrayForm != nullptr) gTrayForm->removeEventFilter(gTrayFilter);
        delete gTrayFilter;
        gTrayFilter = nullptr;
    }
    gTrayForm = nullptr;
    gTrayMenu = nullptr;
}

bool IsTrayIconInstalled() { return gTrayFilter != nullptr; }

QSystemTrayIcon* TrayIcon() { return gTrayIcon; }

bool TrayAreaAvailable() {
    if (gTrayAreaOverride) return *gTrayAreaOverride;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SetTrayAreaForTesting(std::optional<bool> available) { gTrayAreaOverride = available; }

}  // namespace app

#include "APIStuff.moc"
