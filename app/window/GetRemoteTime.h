#pragma once
// The clock of a computer on the network, in that computer's own local time.
// No Qt here: the arithmetic is plain calendar work and testable on its own.
#include <optional>
#include <string>
#include <string_view>

#include "netenum/netapi.h"

namespace app {

struct DateTimeValue {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const DateTimeValue&) const = default;
};

// The server argument for NetRemoteTOD: empty when `server` is blank,
// otherwise `server` with "\\" put in front unless it already starts with it.
std::u16string ClockServerArgument(std::u16string_view server);

// The UTC clock of the record minus its time zone (minutes west of UTC),
// carried across midnight, months and years. nullopt for a record whose date
// is not a real calendar date.
std::optional<DateTimeValue> ServerLocalTime(const netapi::TIME_OF_DAY_INFO& tod);

// The computer's local date and time, or nullopt (the "zero" value) when the
// clock cannot be read. Failures are not reported anywhere.
std::optional<DateTimeValue> GetRemoteTime(std::u16string_view server);

}  // namespace app
