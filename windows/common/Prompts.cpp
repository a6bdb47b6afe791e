#include "Prompts.h"

#include "Installed.h"
#include "QtPrompts.h"

namespace common {
namespace {
constinit Installed<Prompts, QtPrompts> gPrompts;
}  // namespace

Prompts& CurrentPrompts() { return gPrompts.Current(); }

std::shared_ptr<Prompts> SetPrompts(std::shared_ptr<Prompts> prompts) {
    return gPrompts.Replace(std::move(prompts));
}

}  // namespace common
