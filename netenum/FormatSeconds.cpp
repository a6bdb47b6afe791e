#include "FormatSeconds.h"

namespace netenum {
namespace {
void AppendTwoDigits(std::u16string& out, std::uint32_t n) {
    if (n < 10) out.push_back(u'0');
    const std::string digits = std::to_string(n);
    out.append(digits.begin(), digits.end());
}
}  // namespace

std::u16string FormatSeconds(std::uint32_t seconds) {
    const std::uint32_t hours = seconds / 3600;
    seconds -= hours * 3600;
    const std::uint32_t minutes = seconds / 60;
    seconds -= minutes * 60;
    std::u16string out;
    out.reserve(8);
    AppendTwoDigits(out, hours);
    out.push_back(u':');
    AppendTwoDigits(out, minutes);
    out.push_back(u':');
    AppendTwoDigits(out, seconds);
    return out;
}

}  // namespace netenum
