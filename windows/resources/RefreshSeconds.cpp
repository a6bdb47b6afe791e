#include "RefreshSeconds.h"

#include <QLocale>
#include <cmath>
#include <string>

namespace resources {

int RefreshSeconds(const QString& text) {
    // The leading number: sign, digits, a decimal point and an exponent.
    std::string number;
    bool digits = false, point = false, exponent = false;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) continue;
        const char a = c.toLatin1();
        if (c.isDigit() && a >= '0' && a <= '9') {
            number += a;
            digits = true;
        } else if ((a == '+' || a == '-') &&
                   (number.empty() || number.back() == 'e')) {
            number += a;
        } else if (a == '.' && !point && !exponent) {
            number += a;
            point = true;
        } else if ((a == 'e' || a == 'E' || a == 'd' || a == 'D') && digits && !exponent) {
            number += 'e';
            exponent = true;
        } else {
            break;
        }
    }
    if (!digits) return 0;
    // An exponent with no digits after it is not part of the number.
    while (!number.empty() && (number.back() == 'e' || number.back() == '+' || number.back() == '-'))
        number.pop_back();
    // The C locale reads the point whatever the user's locale says.
    bool ok = false;
    double value = QLocale::c().toDouble(QString::fromLatin1(number), &ok);
    if (!ok) return 0;
    value = std::nearbyint(value);  // halves go to the even neighbour  // halves go to the even neighbour
    if (!(value >= 0 && value <= 255)) return 0;
    return static_cast<int>(value);
}

}  // namespace resources
