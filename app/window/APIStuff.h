#pragma once
// The notification-area icon. Its window procedure is an event filter on the
// main window: the icon's clicks arrive there as the callback message 2025,
// minimizing arrives as the system command SC_MINIMIZE, and the filter hides,
// restores or pops up the tray menu as the classic procedure did.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

class QDialog;
class QMenu;
class QSystemTrayIcon;

namespace app {

// The window the tray icon serves (the main window): what the tray asks of it
// besides being a window.
class TrayWindow : public QWidget {
public:
    using QWidget::QWidget;
    // The Open Resources window while it is open, else null.
    virtual QDialog* ResourcesWindow() const = 0;
    // Keeps the tray menu's "Restore" available for the states 0, 1 and 2.
    virtual void SetTrayMenuItems(short window_state) = 0;
};

// Owned by the main window while its icon is installed. Where the desktop has
// no notification area the icon is not shown and minimizing stays an
// ordinary minimize.
class Tray final : public QObject {
    Q_OBJECT

public:
    // Whether a notification area exists now; QSystemTrayIcon's answer by
    // default (offscreen there never is one).
    using AreaProbe = std::function<bool()>;

    // Subclasses `window` (installs the filter) and adds the icon with the
    // window's icon.
    Tray(TrayWindow* window, QMenu* menu, AreaProbe areaAvailable = {});
    // Removes the icon and the filter.
    ~Tray() override;
    Tray(const Tray&) = delete;
    Tray& operator=(const Tray&) = delete;

    // The tip, at most 63 characters (the classic record holds 64 with its NUL).
    void SetTip(const QString& tip);
    // The installed procedure, for one message; true when the message was
    // handled and must not reach the window's own handling.
    bool WindowProc(std::uint32_t msg, std::uint32_t wParam, std::uint32_t lParam);

    QSystemTrayIcon* Icon() const { return mIcon; }
    bool AreaAvailable() const;
    // Whether the icon is shown in a notification area now: only then does a
    // minimize hide the window into it.
    bool IconShown() const;
    // Shows the icon once a notification area exists (a panel started after
    // the program) and takes it away when the area is gone; runs on a timer.
    void ShowIconWhenAreaExists();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleMessage(std::uint32_t msg, std::uint32_t wParam, std::uint32_t lParam);
    QWidget* ResourcesWindowNotNormal() const;
    void RestoreMainWindow();

    QPointer<TrayWindow> mForm;
    QPointer<QMenu> mMenu;
    QSystemTrayIcon* mIcon = nullptr;
    AreaProbe mAreaAvailable;
};

}  // namespace app
