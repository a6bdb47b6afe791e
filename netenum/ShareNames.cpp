#include "ShareNames.h"

#include "NetTypes.h"
#include "text/Text.h"

namespace netapi {

std::optional<std::string> ShareNameProblem(std::u16string_view name) {
    if (name.empty()) return "the share name is empty";
    if (name.size() > NNLEN)
        return "the share name is longer than " + std::to_string(NNLEN) + " characters";
    for (const char16_t c : name) {
        if (c < 0x20 || c == 0x7f) return "the share name contains a control character";
        if (kShareNameForbidden.find(c) != std::u16string_view::npos)
            return "the share name contains \"" + text::ToUtf8(std::u16string(1, c)) +
                   "\" (not allowed: " + text::ToUtf8(kShareNameForbidden) + ")";
    }
    if (name.find_first_not_of(u" .") == std::u16string_view::npos)
        return "the share name is only blanks and dots";
    return std::nullopt;
}

bool IsHiddenShare(std::u16string_view name) { return !name.empty() && name.back() == u'$'; }

bool IsAbsoluteServerPath(std::u16string_view path) {
    if (path.starts_with(u"/")) return true;
    const bool letter = path.size() >= 3 && ((path[0] >= u'A' && path[0] <= u'Z') ||
                                             (path[0] >= u'a' && path[0] <= u'z'));
    return letter && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
}

}  // namespace netapi
