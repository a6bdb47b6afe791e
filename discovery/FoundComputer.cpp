#include "FoundComputer.h"

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
    if (found.address.empty()) return;
    for (FoundComputer& have : into) {
        if (have.address != found.address) continue;
        if (have.name.empty() && !found.name.empty()) {
            have.name = found.name;
            have.group = found.group;
        }
        return;
    }
    if (into.size() < kMaxFound) into.push_back(found);
}

}  // namespace discovery
