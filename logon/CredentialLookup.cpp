#include "CredentialLookup.h"

#include <sys/prctl.h>

#include <mutex>

#include "text/Text.h"

namespace logon {
namespace {

std::mutex gLock;
std::shared_ptr<CredentialLookup> gLookup;

}  // namespace

Account::~Account() { Wipe(password); }

void Wipe(std::string& secret) {
    // A volatile pointer keeps the compiler from dropping the stores.
    volatile char* p = secret.data();
    for (std::size_t i = 0; i < secret.size(); ++i) p[i] = 0;
    secret.clear();
}

std::optional<Account> OneAccount::Known(const std::string& server) {
    if (!text::EqualsIgnoreCase(text::FromUtf8(server), text::FromUtf8(mServer))) return std::nullopt;
    return mAccount;
}

AskingHeld::AskingHeld() : mLookup(CurrentLookup()) {
    if (mLookup) mLookup->HoldAsking(true);
}

AskingHeld::~AskingHeld() {
    if (mLookup) mLookup->HoldAsking(false);
}

void ProtectSecrets() { prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }

std::shared_ptr<CredentialLookup> CurrentLookup() {
    std::lock_guard<std::mutex> guard(gLock);
    return gLookup;
}

std::shared_ptr<CredentialLookup> SetLookup(std::shared_ptr<CredentialLookup> lookup) {
    std::lock_guard<std::mutex> guard(gLock);
    std::swap(gLookup, lookup);
    return lookup;
}

}  // namespace logon
