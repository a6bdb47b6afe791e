#include "Discovery.h"

#include <future>

#include "DnsSd.h"
#include "WsDiscovery.h"

namespace discovery {

std::vector<FoundComputer> FindComputers(std::chrono::milliseconds window) {
    // Both wait for the same window; side by side it is one wait, not two.
    auto dnsSd = std::async(std::launch::async, [window] { return DiscoverDnsSd(window); });
    std::vector<FoundComputer> found = DiscoverWsd(window);
    for (const FoundComputer& computer : dnsSd.get()) Merge(found, computer);
    return found;
}

}  // namespace discovery
