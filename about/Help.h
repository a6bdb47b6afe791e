#pragma once
// The help text: "faq.fil" in the program's folder (or, for an installed
// program, in its data folder), shown by the desktop's text viewer. A viewer
// that fails to start is not reported.
#include <QString>

namespace about {

// `appPath`: the program's folder, ending in a separator.
QString HelpFilePath(const QString& appPath);
void OpenHelpFile(const QString& appPath);

}  // namespace about
