#include "JsonReader.h"

namespace sim {
namespace {

constexpr std::size_t kMaxQuoted = 160;  // longest piece of the input quoted in a message

}  // namespace

std::string Clip(std::string s) {
    if (s.size() > kMaxQuoted) s = s.substr(0, kMaxQuoted) + "...";
    return s;
}

std::string TypeName(const json& v) {
    switch (v.type()) {
    case json::value_t::null: return "null";
    case json::value_t::boolean: return "a boolean";
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: return "an integer";
    case json::value_t::number_float: return "a fractional number";
    case json::value_t::string: return "a string";
    case json::value_t::array: return "an array";
    case json::value_t::object: return "an object";
    default: return "an unknown value";
    }
}

std::string At(const std::string& place, std::size_t i) { return place + "/" + std::to_string(i); }

std::string ToLowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace sim
