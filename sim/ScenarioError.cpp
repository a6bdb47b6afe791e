#include "ScenarioError.h"

namespace sim {
namespace {

// Names and JSON fragments come from the file; keep the message on one line.
std::string OneLine(const std::string& s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string Compose(const std::string& source, const std::string& place, const std::string& fault) {
    std::string line = OneLine(source);
    if (!place.empty()) line += ": " + OneLine(place);
    line += ": " + OneLine(fault);
    return line;
}

}  // namespace

ScenarioError::ScenarioError(const std::string& source, const std::string& place,
                             const std::string& fault)
    : std::runtime_error(Compose(source, place, fault)),
      mSource(source),
      mPlace(place),
      mFault(fault) {}

}  // namespace sim
