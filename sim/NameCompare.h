#pragma once
// How a simulated server compares the names and paths it holds: letter case
// ignored, a missing value never equal to anything.
#include <string_view>

#include "Scenario.h"
#include "text/Text.h"

namespace sim {

inline bool StartsWithIgnoreCase(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && text::EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

inline bool IsPipe(std::u16string_view path) { return StartsWithIgnoreCase(path, u"\\PIPE\\"); }

inline bool Matches(const OptString& value, std::u16string_view wanted) {
    return value && text::EqualsIgnoreCase(*value, wanted);
}

inline bool Empty(const OptString& s) { return !s || s->empty(); }

}  // namespace sim
