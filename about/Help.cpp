#include "Help.h"

#include <QUrl>

#include "Desktop.h"
#include "windows/common/Locations.h"

namespace about {

QString HelpFilePath(const QString& appPath) {
    return common::DataFolder(appPath) + QString::fromLatin1(common::kHelpFileName);
}

void OpenHelpFile(const QString& appPath) {
    CurrentDesktop().Open(QUrl::fromLocalFile(HelpFilePath(appPath)));
}

}  // namespace about
