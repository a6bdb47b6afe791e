#pragma once
// Program-wide values of the window program: the chosen computer, the program's
// folder, and the logged-on user's name for the status bar.
#include <QString>
#include <optional>
#include <string>

namespace app {

// "**LOCAL**" or a computer name exactly as the computer list shows it.
extern QString gComputerName;
// The program's folder with a trailing separator.
extern QString gAppPath;

// The folder text with one separator appended unless it already ends in one.
QString WithTrailingSeparator(const QString& folder);

// The login name of the user running the program, in capitals; nullopt when
// it cannot be read.
std::optional<std::u16string> GetLocalUserName();

}  // namespace app
