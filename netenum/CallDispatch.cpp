#include "CallDispatch.h"

namespace netapi {
namespace {

CallRunner* gRunner = nullptr;
thread_local bool tDirect = false;

}  // namespace

std::shared_ptr<Provider>& ProviderSlot() {
    static std::shared_ptr<Provider> provider;
    return provider;
}

bool FailuresCarryBuffer() {
    const Provider* p = ActiveProvider();
    return p != nullptr && p->FailuresCarryBuffer();
}

CallRunner* Runner() { return tDirect ? nullptr : gRunner; }

ScopedDirectCalls::ScopedDirectCalls() : mPrevious(tDirect) { tDirect = true; }
ScopedDirectCalls::~ScopedDirectCalls() { tDirect = mPrevious; }

void SetProvider(std::shared_ptr<Provider> provider) { ProviderSlot() = std::move(provider); }
Provider* ActiveProvider() { return ProviderSlot().get(); }

std::u16string ProviderStartupNotice() {
    const Provider* p = ActiveProvider();
    return p == nullptr ? std::u16string() : p->StartupNotice();
}
void SetCallRunner(CallRunner* runner) { gRunner = runner; }

void Interact(const std::function<void()>& ask) {
    if (gRunner != nullptr)
        gRunner->Interact(ask);
    else
        ask();
}

}  // namespace netapi
