#include "Settings.h"

#include <QSettings>
#include <QStringList>

namespace common {

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    // Qt reads what it can of a damaged file (and caches it, so its status
    // cannot be relied on); a value that is not text counts as missing.
    QSettings settings(appName, appName);
    const QVariant value = settings.value(section + QLatin1Char('/') + key);
    if (!value.isValid()) return defaultValue;
    // A hand-edited value with a comma reads back as a list: give its text.
    if (value.metaType().id() == QMetaType::QStringList) return value.toStringList().join(", ");
    if (!value.canConvert<QString>()) return defaultValue;
    return value.toString();
}

void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value) {
    // A file that could not be parsed is written anew from what could be read.
    QSettings settings(appName, appName);
    settings.setValue(section + QLatin1Char('/') + key, value);
    settings.sync();
}

QString GetOption(const QString& key) {
    return GetSetting(ProductName(), QString::fromLatin1(kOptionsSection), key);
}

void SaveOption(const QString& key, const QString& value) {
    SaveSetting(ProductName(), QString::fromLatin1(kOptionsSection), key, value);
}

}  // namespace common
