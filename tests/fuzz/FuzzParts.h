#pragma once
// Fuzz inputs made of several parts (datagrams, records): the parts are
// separated by "\n====\n", which seeds can be written with by hand.
#include <string_view>
#include <vector>

namespace fuzz {

inline std::vector<std::string_view> Parts(std::string_view input) {
    std::vector<std::string_view> parts;
    for (std::size_t at = 0;;) {
        const std::size_t end = input.find("\n====\n", at);
        parts.push_back(input.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) return parts;
        at = end + 6;
    }
}

}  // namespace fuzz
