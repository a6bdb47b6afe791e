#include "ComputerName.h"

#include <arpa/inet.h>

#include "text/Text.h"

namespace app {
namespace {

bool IsIpv6(const std::string& s) {
    in6_addr address{};
    return inet_pton(AF_INET6, s.c_str(), &address) == 1;
}

// Letters of any script, digits, '-' and '_' (NetBIOS-style names use it).
bool NameCharacter(char16_t c) {
    if (c >= u'0' && c <= u'9') return true;
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) return true;
    if (c == u'-' || c == u'_') return true;
    // Beyond ASCII: letters of internationalised names; controls and the
    // separators of the Latin-1 block are not names.
    return c >= 0xC0 && c != 0xD7 && c != 0xF7 && !(c >= 0x2000 && c <= 0x206F) &&
           c != 0xFEFF && !(c >= 0xD800 && c <= 0xDFFF);
}

std::u16string Shown(char16_t c) {
    if (c == u' ') return u"a blank";
    if (c < 0x20 || c == 0x7F) return u"a control character";
    return u"\"" + std::u16string(1, c) + u"\"";
}

ComputerNameCheck Refuse(std::u16string problem) { return {{}, std::move(problem)}; }

}  // namespace

ComputerNameCheck CheckComputerName(std::u16string_view typed) {
    std::u16string s = text::TrimSpaces(typed);
    // "\\SERVER" as Windows writes it means the same computer.
    if (s.size() > 2 && s[0] == u'\\' && s[1] == u'\\') s.erase(0, 2);
    if (s.empty()) return Refuse(u"Type the name or address of a computer.");
    if (s.size() > kMaxHostNameLength)
        return Refuse(u"A computer name can have at most " + text::Number(kMaxHostNameLength) +
                      u" characters.");

    // An IPv6 address, with or without the brackets of a URL.
    std::u16string inner = s;
    if (inner.size() > 2 && inner.front() == u'[' && inner.back() == u']')
        inner = inner.substr(1, inner.size() - 2);
    if (inner.find(u':') != std::u16string::npos) {
        if (IsIpv6(text::ToUtf8(inner))) return {inner, {}};
        return Refuse(u"\"" + s + u"\" is not an IPv6 address, and a computer name cannot "
                                  u"contain \":\".");
    }

    std::size_t label = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'.') {
            if (label == 0)
                return Refuse(u"A computer name cannot begin with a dot or have two dots in a row.");
            label = 0;
            continue;
        }
        if (!NameCharacter(c))
            return Refuse(u"A computer name cannot contain " + Shown(c) +
                          u". Use a host name, a full DNS name or an IP address.");
        if (++label > kMaxLabelLength)
            return Refuse(u"Each part of a computer name between dots can have at most " +
                          text::Number(kMaxLabelLength) + u" characters.");
    }
    // A trailing dot (a rooted DNS name) names the same computer.
    if (s.back() == u'.') s.pop_back();
    if (s.front() == u'-' || s.back() == u'-')
        return Refuse(u"A computer name cannot begin or end with \"-\".");
    return {s, {}};
}

}  // namespace app
