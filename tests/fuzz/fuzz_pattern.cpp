// Arbitrary patterns against arbitrary texts: the matcher must neither crash
// nor read out of bounds, and "*" alone must match everything.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pattern/PatternMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string all;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        all.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const std::size_t split = all.empty() ? 0 : all[0] % (all.size() + 1);
    const std::u16string pattern = all.substr(0, split);
    const std::u16string text = all.substr(split);
    const pattern::Pattern compiled(pattern);
    const bool matched = compiled.Matches(text);
    if (matched && !compiled.IsValid()) __builtin_trap();
    if (!pattern::PatternMatch(text, u"*")) __builtin_trap();
    return 0;
}
