#include "Discovery.h"

#include <future>

#include "DnsSd.h"

namespace discovery {

std::vector<FoundComputer> FindComputers(std::chrono::milliseconds window,
                                         std::chrono::milliseconds metadataWindow,
                                         std::function<bool()> stop) {
    // Both wait for the same window; side by side it is one wait, not two.
    auto dnsSd = std::async(std::launch::async, [window, stop] { return DiscoverDnsSd(window, stop); });
    std::vector<FoundComputer> found = DiscoverWsd(window, metadataWindow, stop);
    for (const FoundComputer& computer : dnsSd.get()) Merge(found, computer);
    return found;
}

}  // namespace discovery
