#pragma once
// Finding file servers on the local network: WS-Discovery and DNS-SD run
// side by side, their answers merged (the same address counts once). The
// whole takes at most `window` to collect answers and `metadataWindow` more
// for WS-Discovery's metadata.
#include <chrono>
#include <functional>
#include <vector>

#include "FoundComputer.h"
#include "WsDiscovery.h"

namespace discovery {

inline constexpr std::chrono::milliseconds kWindow{1500};

// `stop` (may be empty) is asked now and then and ends the search early.
std::vector<FoundComputer> FindComputers(std::chrono::milliseconds window = kWindow,
                                         std::chrono::milliseconds metadataWindow = kMetadataWindow,
                                         std::function<bool()> stop = {});

}  // namespace discovery
