#include "Help.h"

#include <QUrl>

#include "Desktop.h"

namespace about {

QString HelpFilePath(const QString& appPath) {
    return appPath + QString::fromLatin1(kHelpFileName);
}

void OpenHelpFile(const QString& appPath) {
    CurrentDesktop().Open(QUrl::fromLocalFile(HelpFilePath(appPath)));
}

}  // namespace about
