#pragma once
// Reading what WS-Discovery hosts send: ProbeMatches, ResolveMatches and
// Hellos, the pub:Computer metadata, and the HTTP replies that carry it; and
// the bounds every listing keeps to, whoever floods it.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace discovery {

inline constexpr std::size_t kMaxMessageBytes = 65536;
// Endpoints one listing keeps, whatever number of datagrams carried them,
// and from one address: a host flooding the Probe cannot crowd others out.
inline constexpr std::size_t kMaxEndpoints = 256;
inline constexpr std::size_t kMaxEndpointsPerAddress = 4;
// Transport addresses kept from one match, and those asked for metadata.
inline constexpr std::size_t kMaxXAddrs = 8;
inline constexpr std::size_t kXAddrsTried = 2;

inline constexpr std::string_view kSoapNs = "http://www.w3.org/2003/05/soap-envelope";
inline constexpr std::string_view kAddressingNs = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
inline constexpr std::string_view kDiscoveryNs = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
inline constexpr std::string_view kPubNs = "http://schemas.microsoft.com/windows/pub/2005/07";

// One ProbeMatch, ResolveMatch or Hello: the endpoint's address
// (urn:uuid:...) and its transport addresses (http://host:5357/...), when the
// message carried them.
struct Match {
    std::string endpoint;
    std::vector<std::string> xaddrs;
    bool isComputer = false;  // its types include pub:Computer (by namespace, not prefix)
};

// A discovery message: which message it answers (wsa:RelatesTo; empty for a
// Hello) and its matches. Only SOAP 1.2 envelopes with WS-Discovery bodies
// count; anything else, malformed or with a document type declaration, gives
// nothing.
struct Matches {
    std::string relatesTo;
    std::vector<Match> matches;
};
Matches ReadMatches(std::string_view xml);
// The matches alone.
std::vector<Match> ParseMatches(std::string_view xml);

// The pub:Computer value inside the body of a Get reply: "NAME/Workgroup:
// GROUP", "NAME/Domain:DOMAIN" or just "NAME". False when there is none.
bool ParseComputer(std::string_view xml, std::string& name, std::string& group);

// The trimmed text of the first element named {ns}local, or nothing (also
// for malformed XML).
std::optional<std::string> ElementText(std::string_view xml, std::string_view ns,
                                       std::string_view local);

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
