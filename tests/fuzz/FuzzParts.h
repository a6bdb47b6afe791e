#pragma once
// Fuzz inputs made of several parts (datagrams, records): the parts are
// separated by "\n====\n", which seeds can be written with by hand (or by
// another separator, as fields inside a record).
#include <string_view>
#include <vector>

namespace fuzz {

inline std::vector<std::string_view> Parts(std::string_view input, std::string_view separator = "\n====\n") {
    std::vector<std::string_view> parts;
    for (std::size_t at = 0;;) {
        const std::size_t end = input.find(separator, at);
        parts.push_back(input.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) return parts;
        at = end + separator.size();
    }
}

}  // namespace fuzz
