#pragma once
// What the shared main of the window tests tells the tests.
#include <QString>

namespace gui_support {

// The folder this run keeps its settings in (XDG_CONFIG_HOME of the process).
QString SettingsHome();

}  // namespace gui_support
