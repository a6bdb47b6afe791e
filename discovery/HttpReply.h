#pragma once
// Reading the HTTP replies that carry a host's metadata, and the URLs they
// come from. Every byte comes from some host on the LAN: the head is read by
// hand, strictly, and no body grows beyond one message.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace discovery {

// The most one message may hold: a datagram, or the body of a reply.
inline constexpr std::size_t kMaxMessageBytes = 65536;

// The body of an HTTP/1.x reply with status 200: whole as its Content-Length
// or chunked encoding says (nothing when cut short), or up to the end when
// it gives neither. Nothing for any other status or a malformed head.
std::optional<std::string> HttpBody(std::string_view reply);
// Whether `reply` holds all of a 200 reply's body (or can never become one):
// no need to wait for more bytes.
bool HttpComplete(std::string_view reply);

// "http://host:port/path" split; false for anything else.
struct Url {
    std::string host;  // an IPv6 literal without its brackets
    std::string port = "80";
    std::string path = "/";
};
std::optional<Url> SplitUrl(std::string_view url);

}  // namespace discovery
