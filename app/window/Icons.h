#pragma once
// The program's pictures, drawn in code so that the program carries no image
// files: the window icon and the five buttons of the main window. The window
// icon comes from the icon theme when the program is installed.
#include <QIcon>

namespace app {

QIcon AppIcon();
QIcon UsersIcon();
QIcon SharesIcon();
QIcon InUseIcon();
QIcon AboutIcon();
QIcon ExitIcon();

}  // namespace app
