#pragma once
// Reading checked values out of a parsed JSON document: every value that does
// not fit throws a ScenarioError naming its place (a JSON pointer) and what
// was expected, with any quoted input clipped.
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "Scenario.h"
#include "ScenarioError.h"
#include "text/Text.h"

namespace sim {

using json = nlohmann::json;

// A piece of the input, cut short for a message.
std::string Clip(std::string s);
// "an integer", "a string", ...: what a value is, for a message.
std::string TypeName(const json& v);
// The place of the `i`th element of the array at `place`.
std::string At(const std::string& place, std::size_t i);
std::string ToLowerAscii(std::string s);

// Reads values out of the parsed document, throwing ScenarioError with the
// place of the first value that does not fit.
class JsonReader final {
public:
    explicit JsonReader(const std::string& source) : mSource(source) {}

    [[noreturn]] void Fail(const std::string& place, const std::string& fault) const {
        throw ScenarioError(mSource, place.empty() ? "/" : place, fault);
    }

    // An object whose members are all in `allowed`, except notes whose names
    // begin with "_"; anything else is a mistake.
    void Members(const json& object, const std::string& place,
                 std::initializer_list<std::string_view> allowed) const {
        Object(object, place);
        for (const auto& [key, value] : object.items()) {
            if (!key.empty() && key[0] == '_') continue;
            bool known = false;
            for (const std::string_view a : allowed) known = known || key == a;
            if (!known) Fail(place, "unknown field \"" + Clip(key) + "\"");
        }
    }

    const json& Object(const json& v, const std::string& place) const {
        if (!v.is_object()) Fail(place, "expected an object, found " + TypeName(v));
        return v;
    }
    const json& Array(const json& v, const std::string& place) const {
        if (!v.is_array()) Fail(place, "expected an array, found " + TypeName(v));
        return v;
    }
    const json& Required(const json& object, const char* key, const std::string& place) const {
        const auto it = object.find(key);
        if (it == object.end()) Fail(place, std::string("missing field \"") + key + "\"");
        return *it;
    }
    static const json* Optional(const json& object, const char* key) {
        const auto it = object.find(key);
        return it == object.end() ? nullptr : &*it;
    }

    std::u16string String(const json& v, const std::string& place) const {
        if (!v.is_string()) Fail(place, "expected a string, found " + TypeName(v));
        return text::FromUtf8(v.get_ref<const std::string&>());
    }
    std::u16string RequiredString(const json& object, const char* key, const std::string& place) const {
        return String(Required(object, key, place), place + "/" + key);
    }
    // A string that may be left out (nullopt then), but is never null.
    OptString StringIfPresent(const json& object, const char* key, const std::string& place) const {
        const json* v = Optional(object, key);
        if (v == nullptr) return std::nullopt;
        return String(*v, place + "/" + key);
    }
    // A string that may be null; a missing member gives `fallback`.
    OptString NullableString(const json& object, const char* key, const std::string& place,
                             OptString fallback = std::nullopt) const {
        const json* v = Optional(object, key);
        if (v == nullptr) return fallback;
        if (v->is_null()) return std::nullopt;
        return String(*v, place + "/" + key);
    }

    std::int64_t Integer(const json& v, const std::string& place, std::int64_t low,
                         std::int64_t high) const {
        std::int64_t n = 0;
        if (v.is_number_unsigned()) {
            const auto u = v.get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(high)) OutOfRange(place, std::to_string(u), low, high);
            n = static_cast<std::int64_t>(u);
        } else if (v.is_number_integer()) {
            n = v.get<std::int64_t>();
        } else {
            Fail(place, "expected an integer, found " + TypeName(v));
        }
        if (n < low || n > high) OutOfRange(place, std::to_string(n), low, high);
        return n;
    }
    DWORD Dword(const json& v, const std::string& place, bool minusOneMeansAll = false) const {
        if (minusOneMeansAll && v.is_number_integer() && !v.is_number_unsigned() &&
            v.get<std::int64_t>() == -1)
            return 0xFFFFFFFFu;
        return static_cast<DWORD>(Integer(v, place, 0, 0xFFFFFFFFLL));
    }
    DWORD RequiredDword(const json& object, const char* key, const std::string& place) const {
        return Dword(Required(object, key, place), place + "/" + key);
    }
    std::optional<DWORD> DwordIfPresent(const json& object, const char* key,
                                        const std::string& place) const {
        const json* v = Optional(object, key);
        if (v == nullptr) return std::nullopt;
        return Dword(*v, place + "/" + key);
    }
    DWORD OptionalDword(const json& object, const char* key, const std::string& place,
                        DWORD fallback, bool minusOneMeansAll = false) const {
        const json* v = Optional(object, key);
        return v == nullptr ? fallback : Dword(*v, place + "/" + key, minusOneMeansAll);
    }
    bool Bool(const json& v, const std::string& place) const {
        if (!v.is_boolean()) Fail(place, "expected true or false, found " + TypeName(v));
        return v.get<bool>();
    }

private:
    [[noreturn]] void OutOfRange(const std::string& place, const std::string& value,
                                 std::int64_t low, std::int64_t high) const {
        Fail(place, "out of range: " + value + " is not between " + std::to_string(low) + " and " +
                        std::to_string(high));
    }

    const std::string& mSource;
};

// A bit of a mask and the name a scenario gives it.
struct NamedBits {
    std::string_view name;
    DWORD bits;
};

template <std::size_t N>
std::string NameList(const NamedBits (&table)[N]) {
    std::string out;
    for (const auto& e : table) out += (out.empty() ? "" : ", ") + std::string(e.name);
    return out;
}

// A mask given as a number or as an array of names (letter case ignored;
// the published prefix, "SV_TYPE_" or "PERM_FILE_", may be written).
template <std::size_t N>
DWORD Bits(const JsonReader& r, const json& v, const std::string& place, const NamedBits (&table)[N],
           std::string_view prefix) {
    if (v.is_number()) return r.Dword(v, place);
    if (!v.is_array()) r.Fail(place, "expected an integer or an array of names, found " + TypeName(v));
    DWORD bits = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        std::string name = ToLowerAscii(text::ToUtf8(r.String(v[i], At(place, i))));
        const std::string lowPrefix = ToLowerAscii(std::string(prefix));
        if (name.rfind(lowPrefix, 0) == 0) name.erase(0, lowPrefix.size());
        bool found = false;
        for (const auto& e : table)
            if (e.name == name) {
                bits |= e.bits;
                found = true;
            }
        if (!found)
            r.Fail(At(place, i), "unknown name \"" + Clip(name) + "\" (expected one of " +
                                     NameList(table) + ")");
    }
    return bits;
}

}  // namespace sim
