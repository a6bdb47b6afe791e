#pragma once
// Per-user string settings: an application name, a section and a key, stored
// through QSettings (on Linux ~/.config/<app>/<app>.conf). A missing value, a
// value that is not text, and a file that cannot be read give the default.
#include <QString>

#include "Product.h"

namespace common {

inline constexpr const char* kOptionsSection = "Options";

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
// Failures to write (a read-only file or folder) are ignored; a damaged file
// is replaced by a readable one.
void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);

// The program's own section: the product name's file, section "Options".
QString GetOption(const QString& key);
void SaveOption(const QString& key, const QString& value);

}  // namespace common
