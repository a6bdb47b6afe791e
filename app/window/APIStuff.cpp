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

namespace app {
namespace {

constexpr int kTrayAreaPollMs = 2000;
constexpr Qt::WindowStates kNotNormal = Qt::WindowMinimized | Qt::WindowMaximized;

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

}  // namespace

Tray::Tray(TrayWindow* window, QMenu* menu, AreaProbe areaAvailable)
    : mForm(window), mMenu(menu), mAreaAvailable(std::move(areaAvailable)) {
    window->installEventFilter(this);
    mIcon = new QSystemTrayIcon(window->windowIcon());
    connect(mIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (mForm != nullptr)
                    PostWindowMessage(mForm, TRAY_CALLBACK_MESSAGE, 0, MouseMessageFor(reason));
            });
    // A panel may start after the program: its notification area is looked
    // for again until the icon is in one.
    auto* watch = new QTimer(mIcon);
    connect(watch, &QTimer::timeout, this, [this] { ShowIconWhenAreaExists(); });
    watch->start(kTrayAreaPollMs);
    ShowIconWhenAreaExists();
}

Tray::~Tray() {
    mIcon->hide();
    delete mIcon;
    if (mForm != nullptr) mForm->removeEventFilter(this);
}

// The installed window procedure: sees the main window's events before it does.
bool Tray::eventFilter(QObject* watched, QEvent* event) {
    if (mForm == nullptr || watched != mForm.data()) return false;
    if (event->type() == QEvent::WindowStateChange) {
        // A minimize from the title bar or the keyboard is SC_MINIMIZE here.
        // Only while the icon really is in a notification area: otherwise
        // the hidden window could not be brought back.
        if ((mForm->windowState() & Qt::WindowMinimized) && IconShown())
            PostWindowMessage(mForm, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return false;
    }
    if (event->type() != WindowMessageEvent::EventType()) return false;
    const auto* message = static_cast<const WindowMessageEvent*>(event);
    return WindowProc(message->msg(), message->wParam(), message->lParam());
}

// The Open Resources window while it is open; a closed one counts as normal.
QWidget* Tray::ResourcesWindowNotNormal() const {
    QWidget* resources = mForm->ResourcesWindow();
    if (resources == nullptr || !(resources->windowState() & kNotNormal)) return nullptr;
    return resources;
}

void Tray::RestoreMainWindow() {
    if (CanShowNonModal(mForm)) ShowHiddenNormal(mForm);
    SendWindowMessage(mForm, WM_SYSCOMMAND, SC_RESTORE, 0);
    if (mForm != nullptr) GiveFocus(mForm);
}

bool Tray::HandleMessage(std::uint32_t msg, std::uint32_t wParam, std::uint32_t lParam) {
    if (msg == TRAY_CALLBACK_MESSAGE) {
        if (lParam == WM_LBUTTONUP) {
            if (QWidget* resources = ResourcesWindowNotNormal())
                BringBackToNormal(resources);
            else
                RestoreMainWindow();
            return true;
        }
        if (lParam == WM_RBUTTONUP) {
            if (mMenu != nullptr) mMenu->popup(QCursor::pos());
            return true;
        }
        return false;
    }
    if (msg == WM_SYSCOMMAND) {
        if (wParam == SC_MINIMIZE) {
            // The window leaves the screen and the taskbar instead.
            mForm->hide();
            return true;
        }
        if (wParam == SC_RESTORE && !mForm->isVisible()) {
            if (QWidget* resources = ResourcesWindowNotNormal()) {
                BringBackToNormal(resources);
            } else if (CanShowNonModal(mForm)) {
                ShowHiddenNormal(mForm);
                GiveFocus(mForm);
                mForm->SetTrayMenuItems(0);
            }
        }
    }
    return false;
}

bool Tray::WindowProc(std::uint32_t msg, std::uint32_t wParam, std::uint32_t lParam) {
    if (mForm == nullptr) return false;
    try {
        return HandleMessage(msg, wParam, lParam);
    } catch (const std::exception&) {
        return false;  // a failing step is skipped; the message goes on
    }
}

void Tray::ShowIconWhenAreaExists() {
    if (!mIcon->isVisible() && AreaAvailable()) {
        mIcon->show();
    } else if (mIcon->isVisible() && !AreaAvailable()) {
        // Gone again (the panel quit): the icon waits for the next one, and a
        // window minimized into it goes back to the taskbar.
        mIcon->hide();
        if (mForm != nullptr && !mForm->isVisible() &&
            (mForm->windowState() & Qt::WindowMinimized))
            mForm->showMinimized();
    }
}

bool Tray::IconShown() const { return mIcon->isVisible() && AreaAvailable(); }

void Tray::SetTip(const QString& tip) { mIcon->setToolTip(tip.left(63)); }

bool Tray::AreaAvailable() const {
    return mAreaAvailable ? mAreaAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace app
