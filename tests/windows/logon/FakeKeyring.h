#pragma once
// A keyring in memory that outlives the lookups using it, as the desktop's does.
#include <map>

#include "windows/logon/Keyring.h"

namespace logon_test {

class FakeKeyring final : public logon::Keyring {
public:
    std::map<QString, QByteArray> entries;
    bool available = true;

    std::optional<logon::Account> Read(const QString& key) override {
        const auto it = entries.find(key);
        if (!available || it == entries.end()) return std::nullopt;
        return logon::UnpackAccount(it->second);
    }
    bool Write(const QString& key, const logon::Account& account) override {
        if (!available) return false;
        entries[key] = logon::PackAccount(account);
        return true;
    }
    bool Remove(const QString& key) override { return entries.erase(key) != 0; }
    bool Available() const override { return available; }
};

}  // namespace logon_test
