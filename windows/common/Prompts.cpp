#include "Prompts.h"

#include "QtPrompts.h"

namespace common {
namespace {
std::shared_ptr<Prompts>& Installed() {
    static std::shared_ptr<Prompts> installed;
    return installed;
}
}  // namespace

Prompts& CurrentPrompts() {
    auto& installed = Installed();
    if (!installed) installed = std::make_shared<QtPrompts>();
    return *installed;
}

std::shared_ptr<Prompts> SetPrompts(std::shared_ptr<Prompts> prompts) {
    auto previous = std::move(Installed());
    Installed() = std::move(prompts);
    return previous;
}

}  // namespace common
