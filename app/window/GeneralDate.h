#pragma once
// A date and time as the user's locale writes it in general form: the short
// date and the long time; the date alone at exactly midnight.
#include <QLocale>
#include <QString>

#include "GetRemoteTime.h"

namespace app {

QString FormatGeneralDate(const DateTimeValue& value, const QLocale& locale);

// The long time format of `locale` without its time-zone name: the value is
// another computer's local time, so this computer's zone would be wrong.
QString LongTimeFormatWithoutZone(const QLocale& locale);

}  // namespace app
