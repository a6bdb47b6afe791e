#pragma once
// The seconds of the auto-refresh box: the value of the leading number of the
// text (blanks are skipped, as the classic Val skips them), rounded to a whole
// number; text without a leading number, or a value outside 0 to 255, gives 0.
#include <QString>

namespace resources {

int RefreshSeconds(const QString& text);

}  // namespace resources
