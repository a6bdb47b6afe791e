#pragma once
// Finding file servers on the local network: WS-Discovery and DNS-SD run
// side by side for one short window, their answers merged (same name or
// same address counts once).
#include <chrono>
#include <vector>

#include "FoundComputer.h"

namespace discovery {

inline constexpr std::chrono::milliseconds kWindow{1500};

std::vector<FoundComputer> FindComputers(std::chrono::milliseconds window = kWindow);

}  // namespace discovery
