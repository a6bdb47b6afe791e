#include "MessageTarget.h"

#include <mutex>
#include <thread>
#include <vector>

namespace netenum {
namespace {
MessageSink* gCurrentForm = nullptr;
std::thread::id gOwner;
thread_local MessageSink* tThreadSink = nullptr;

struct Queue {
    std::mutex lock;
    std::vector<std::u16string> lines;
};

Queue& Queued() {
    static Queue queue;
    return queue;
}

bool OnOwnerThread() {
    return gOwner == std::thread::id() || gOwner == std::this_thread::get_id();
}

}  // namespace

void SetCurrentForm(MessageSink* sink) {
    gCurrentForm = sink;
    gOwner = std::this_thread::get_id();
}

MessageSink* CurrentForm() { return gCurrentForm; }

void DeliverQueuedLines() {
    if (!OnOwnerThread()) return;
    std::vector<std::u16string> lines;
    {
        auto& q = Queued();
        std::lock_guard<std::mutex> guard(q.lock);
        lines.swap(q.lines);
    }
    for (const auto& line : lines)
        if (gCurrentForm != nullptr) gCurrentForm->AppendLine(line);
}

ScopedThreadTarget::ScopedThreadTarget(MessageSink* sink) : mPrevious(tThreadSink) {
    tThreadSink = sink;
}
ScopedThreadTarget::~ScopedThreadTarget() { tThreadSink = mPrevious; }

void AppendToCurrentForm(const std::u16string& line) {
    if (tThreadSink != nullptr) {
        tThreadSink->AppendLine(line);
        return;
    }
    if (!OnOwnerThread()) {
        auto& q = Queued();
        std::lock_guard<std::mutex> guard(q.lock);
        q.lines.push_back(line);
        return;
    }
    DeliverQueuedLines();
    if (gCurrentForm != nullptr) gCurrentForm->AppendLine(line);
}

}  // namespace netenum
