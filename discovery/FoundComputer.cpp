#include "FoundComputer.h"

#include <strings.h>

namespace discovery {

bool IsPlainHostName(const std::string& name) {
    if (name.empty() || name.size() > 63) return false;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

void Merge(std::vector<FoundComputer>& into, const FoundComputer& found) {
    for (const FoundComputer& have : into) {
        if (!found.address.empty() && have.address == found.address) return;
        if (!found.name.empty() && strcasecmp(have.name.c_str(), found.name.c_str()) == 0) return;
    }
    into.push_back(found);
}

}  // namespace discovery
