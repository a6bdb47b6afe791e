#pragma once
// Reading what WS-Discovery hosts send: ProbeMatches, ResolveMatches and
// Hellos, and the pub:Computer metadata (HttpReply.h reads the HTTP replies
// that carry it); and the bounds every listing keeps to, whoever floods it.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "HttpReply.h"

namespace discovery {

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

}  // namespace discovery
