#pragma once
// The notification-area icon. Its window procedure is an event filter on the
// main window: the icon's clicks arrive there as the callback message 2025,
// minimizing arrives as the system command SC_MINIMIZE, and the filter hides,
// restores or pops up the tray menu as the classic procedure did.
#include <QString>
#include <cstdint>
#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace app {

class frmMain;

// Subclasses `window` (installs the filter) and adds the icon with the
// window's icon. Where the desktop has no notification area the icon is not
// shown and minimizing stays an ordinary minimize.
void AddTrayIcon(frmMain* window, QMenu* menu);
// The tip, at most 63 characters (the classic record holds 64 with its NUL).
void SetTrayTip(const QString& tip);
// Removes the icon and the filter; safe to call when nothing is installed.
void RemoveTrayIcon();

// The installed procedure, for one message; true when the message was handled
// and must not reach the window's own handling.
bool TrayWindowProc(std::uint32_t msg, std::uint32_t wParam, std::uint32_t lParam);

bool IsTrayIconInstalled();
QSystemTrayIcon* TrayIcon();

// Whether a notification area exists (QSystemTrayIcon's answer unless a test
// decides, since offscreen there never is one).
bool TrayAreaAvailable();
// Whether the icon is shown in a notification area now: only then does a
// minimize hide the window into it.
bool TrayIconShown();
// Shows the icon once a notification area exists (a panel started after the
// program) and takes it away when the area is gone; runs on a timer.
void ShowTrayIconWhenAreaExists();
void SetTrayAreaForTesting(std::optional<bool> available);

}  // namespace app
