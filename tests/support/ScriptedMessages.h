#pragma once
// A message source for tests: the program's own tables, with texts of the
// test's choosing for some codes and modules that will not load. It stands in
// for the tables while it lives.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "netenum/modAPI_Error.h"

class ScriptedMessages final : public netenum::MessageSource {
public:
    ScriptedMessages() { netenum::SetMessageSource(this); }
    ~ScriptedMessages() override { netenum::SetMessageSource(nullptr); }
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    // `module` "" is the system table.
    void SetText(std::string_view module, std::uint32_t code, std::u16string text) {
        mTexts[{std::string(module), code}] = std::move(text);
    }
    // As if the module's file were missing.
    void SetModuleAvailable(std::string_view module, bool available) {
        if (available)
            mMissing.erase(std::string(module));
        else
            mMissing.insert(std::string(module));
    }

    bool Loaded(std::string_view module) const override {
        return mMissing.count(std::string(module)) == 0;
    }
    std::optional<std::u16string_view> Find(std::string_view module,
                                            std::uint32_t code) const override {
        const auto it = mTexts.find({std::string(module), code});
        if (it != mTexts.end()) return std::u16string_view(it->second);
        return netenum::BuiltInMessages().Find(module, code);
    }

private:
    std::map<std::pair<std::string, std::uint32_t>, std::u16string> mTexts;
    std::set<std::string> mMissing;
};
