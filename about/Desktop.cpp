#include "Desktop.h"

#include "QtDesktop.h"

namespace about {
namespace {
std::shared_ptr<Desktop>& Installed() {
    static std::shared_ptr<Desktop> installed;
    return installed;
}
}  // namespace

Desktop& CurrentDesktop() {
    auto& installed = Installed();
    if (!installed) installed = std::make_shared<QtDesktop>();
    return *installed;
}

std::shared_ptr<Desktop> SetDesktop(std::shared_ptr<Desktop> desktop) {
    auto previous = std::move(Installed());
    Installed() = std::move(desktop);
    return previous;
}

}  // namespace about
