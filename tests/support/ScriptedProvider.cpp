#include "ScriptedProvider.h"

#include "text/Text.h"

namespace testing_support {

ScriptedNetwork::ScriptedNetwork()
    : mProvider(std::make_shared<ScriptedProvider>()), mPrevious(netenum::CurrentForm()) {
    netapi::SetProvider(mProvider);
    netenum::SetCurrentForm(&mSink);
}

ScriptedNetwork::~ScriptedNetwork() {
    netenum::SetCurrentForm(mPrevious);
    netapi::SetProvider(nullptr);
}

std::string ScriptedNetwork::Messages() const { return text::ToUtf8(mSink.text); }

std::u16string U(const std::string& utf8) { return text::FromUtf8(utf8); }
std::string S(const std::u16string& utf16) { return text::ToUtf8(utf16); }

}  // namespace testing_support
