#include "GetRemoteTime.h"

#include <chrono>

#include "netenum/NetCalls.h"
#include "text/Text.h"

namespace app {

std::u16string ClockServerArgument(std::u16string_view server) {
    if (text::TrimSpaces(server).empty()) return {};
    if (server.starts_with(u"\\\\")) return std::u16string(server);
    return u"\\\\" + std::u16string(server);
}

std::optional<DateTimeValue> ServerLocalTime(const netapi::TIME_OF_DAY_INFO& tod) {
    using namespace std::chrono;
    const year_month_day date{year{static_cast<int>(tod.tod_year)},
                              month{static_cast<unsigned>(tod.tod_month)},
                              day{static_cast<unsigned>(tod.tod_day)}};
    if (!date.ok() || tod.tod_year < 100 || tod.tod_year > 9999) return std::nullopt;

    const auto utc = sys_days{date} + hours{tod.tod_hours} + minutes{tod.tod_mins} +
                     seconds{tod.tod_secs};
    // -1 is "undefined": the server's UTC time is shown, not a zone a minute off.
    const auto local = utc - minutes{tod.tod_timezone == -1 ? 0 : tod.tod_timezone};
    const auto localDay = floor<days>(local);
    // Absurd hour counts from a broken server would leave the calendar's range.
    constexpr sys_days kFirst{year{100} / January / 1};
    constexpr sys_days kLast{year{9999} / December / 31};
    if (localDay < kFirst || localDay > kLast) return std::nullopt;
    const year_month_day localDate{localDay};
    const hh_mm_ss<seconds> time{duration_cast<seconds>(local - localDay)};
    return DateTimeValue{static_cast<int>(localDate.year()),
                         static_cast<int>(static_cast<unsigned>(localDate.month())),
                         static_cast<int>(static_cast<unsigned>(localDate.day())),
                         static_cast<int>(time.hours().count()),
                         static_cast<int>(time.minutes().count()),
                         static_cast<int>(time.seconds().count())};
}

std::optional<DateTimeValue> GetRemoteTime(std::u16string_view server) {
    const auto tod = netenum::RemoteTimeOfDay(ClockServerArgument(server));
    return tod ? ServerLocalTime(*tod) : std::nullopt;
}

}  // namespace app
