#include "HttpReply.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace discovery {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<std::size_t> Number(std::string_view s, int base) {
    s = std::string_view(s).substr(0, s.find_first_of(" \t;"));  // chunk extensions go
    if (s.empty() || s.size() > 8) return std::nullopt;
    std::size_t n = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), n, base);
    if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return n;
}

// The head of a reply: status 200 and how its body is framed.
struct Head {
    bool ok = false;
    std::size_t bodyStart = 0;
    std::optional<std::size_t> length;
    bool chunked = false;
};

std::optional<Head> ReadHead(std::string_view reply) {
    const std::size_t end = reply.find("\r\n\r\n");
    if (end == std::string_view::npos) return std::nullopt;
    Head head;
    head.bodyStart = end + 4;
    const std::string_view status = reply.substr(0, reply.find("\r\n"));
    head.ok = status.size() >= 12 && (status.starts_with("HTTP/1.1 ") || status.starts_with("HTTP/1.0 ")) &&
              status.substr(9, 3) == "200" && (status.size() == 12 || status[12] == ' ');
    std::size_t at = status.size() + 2;
    int lines = 0;
    while (at < end) {
        if (++lines > 64) return Head{};  // not a reply worth reading
        std::size_t eol = reply.find("\r\n", at);
        const std::string_view line = reply.substr(at, eol - at);
        at = eol + 2;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) return Head{};
        const std::string_view key = line.substr(0, colon);
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
        if (EqualsNoCase(key, "Content-Length")) {
            const auto n = Number(value, 10);
            if (!n || (head.length && *head.length != *n)) return Head{};
            head.length = n;
        } else if (EqualsNoCase(key, "Transfer-Encoding")) {
            if (!EqualsNoCase(value, "chunked")) return Head{};
            head.chunked = true;
        }
    }
    if (head.chunked) head.length.reset();
    return head;
}

// The decoded chunks; nothing while the last chunk has not come (or malformed).
std::optional<std::string> Unchunk(std::string_view data, bool& malformed) {
    std::string body;
    std::size_t at = 0;
    for (;;) {
        const std::size_t eol = data.find("\r\n", at);
        if (eol == std::string_view::npos) return std::nullopt;
        const auto size = Number(data.substr(at, eol - at), 16);
        if (!size) {
            malformed = true;
            return std::nullopt;
        }
        at = eol + 2;
        if (*size == 0) return body;  // trailers are not needed
        if (data.size() - at < *size + 2) return std::nullopt;
        if (body.size() + *size > kMaxMessageBytes || data.substr(at + *size, 2) != "\r\n") {
            malformed = true;
            return std::nullopt;
        }
        body.append(data.substr(at, *size));
        at += *size + 2;
    }
}

}  // namespace

std::optional<std::string> HttpBody(std::string_view reply) {
    const auto head = ReadHead(reply);
    if (!head || !head->ok) return std::nullopt;
    const std::string_view rest = reply.substr(head->bodyStart);
    if (head->chunked) {
        bool malformed = false;
        return Unchunk(rest, malformed);
    }
    if (head->length) {
        if (rest.size() < *head->length) return std::nullopt;
        return std::string(rest.substr(0, *head->length));
    }
    return std::string(rest);
}

bool HttpComplete(std::string_view reply) {
    const auto head = ReadHead(reply);
    if (!head) return false;
    if (!head->ok) return true;
    const std::string_view rest = reply.substr(head->bodyStart);
    if (head->chunked) {
        bool malformed = false;
        return Unchunk(rest, malformed).has_value() || malformed;
    }
    return head->length && rest.size() >= *head->length;
}

std::optional<Url> SplitUrl(std::string_view url) {
    constexpr std::string_view scheme = "http://";
    if (!url.starts_with(scheme)) return std::nullopt;
    const std::size_t slash = url.find('/', scheme.size());
    const std::string_view authority = url.substr(scheme.size(), slash - scheme.size());
    Url out;
    if (slash != std::string_view::npos) out.path = std::string(url.substr(slash));
    if (!authority.empty() && authority[0] == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        out.host = std::string(authority.substr(1, close - 1));
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') return std::nullopt;
            out.port = std::string(authority.substr(close + 2));
        }
    } else {
        const std::size_t colon = authority.find(':');
        out.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) out.port = std::string(authority.substr(colon + 1));
    }
    const auto port = Number(out.port, 10);
    if (out.host.empty() || !port || *port == 0 || *port > 65535 ||
        out.path.find_first_of("\r\n \t") != std::string::npos ||
        out.host.find_first_of("\r\n \t/@") != std::string::npos)
        return std::nullopt;
    return out;
}

}  // namespace discovery
