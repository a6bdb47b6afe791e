#pragma once
// WS-Discovery as Windows and Samba hosts running wsdd answer it: a Probe to
// 239.255.255.250:3702 and ff02::c, ProbeMatches collected for a short
// window, a Resolve for computers that gave no address, then a WS-Transfer
// Get on the device's address for its pub:Computer metadata ("NAME/Workgroup:
// GROUP"). The messages are built here and read by WsdParse (with a
// namespace-aware XML parser); what one listing collects is WsdListing's; the
// sockets are in DiscoverWsd.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "FoundComputer.h"
#include "WsdParse.h"

namespace discovery {

// After the answers are in, how long all metadata requests together may take.
inline constexpr std::chrono::milliseconds kMetadataWindow{2000};

std::string ProbeMessage(const std::string& messageId);
std::string ResolveMessage(const std::string& messageId, const std::string& endpoint);
std::string GetMessage(const std::string& messageId, const std::string& endpoint);

// Sends the Probe on every IPv4 and IPv6 multicast-capable interface, waits
// `window` for answers, then asks the computers for their names, all at once
// within `metadataWindow`. `stop` (may be empty) ends the wait early.
std::vector<FoundComputer> DiscoverWsd(std::chrono::milliseconds window,
                                       std::chrono::milliseconds metadataWindow = kMetadataWindow,
                                       const std::function<bool()>& stop = {});

}  // namespace discovery
