#pragma once
// The help text: "faq.fil" in the program's folder, shown by the desktop's
// text viewer. A viewer that fails to start is not reported.
#include <QString>

namespace about {

inline constexpr const char* kHelpFileName = "faq.fil";

// `appPath` ends in a separator.
QString HelpFilePath(const QString& appPath);
void OpenHelpFile(const QString& appPath);

}  // namespace about
