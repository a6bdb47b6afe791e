#include "MessageTarget.h"

namespace netenum {
namespace {
MessageSink* gCurrentForm = nullptr;
}

void SetCurrentForm(MessageSink* sink) { gCurrentForm = sink; }
MessageSink* CurrentForm() { return gCurrentForm; }

void AppendToCurrentForm(const std::u16string& line) {
    if (gCurrentForm != nullptr) gCurrentForm->AppendLine(line);
}

}  // namespace netenum
