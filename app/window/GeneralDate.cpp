#include "GeneralDate.h"

#include <QDate>
#include <QTime>

namespace app {

QString LongTimeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) continue;
        kept += c;
    }
    kept = kept.simplified();
    // A zone written in brackets leaves them empty behind.
    kept.remove(QLatin1String("()"));
    return kept.trimmed();
}

QString FormatGeneralDate(const DateTimeValue& value, const QLocale& locale) {
    const QDate date(value.year, value.month, value.day);
    const QString dateText = locale.toString(date, QLocale::ShortFormat);
    if (value.hour == 0 && value.minute == 0 && value.second == 0) return dateText;
    const QTime time(value.hour, value.minute, value.second);
    return dateText + QLatin1Char(' ') + locale.toString(time, LongTimeFormatWithoutZone(locale));
}

}  // namespace app
