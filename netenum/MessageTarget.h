#pragma once
// The System Messages pane as the layers below the windows see it: one sink
// that appends a line. The window that loaded most recently is the target; with
// none (command-line mode before any window) lines are dropped.
#include <string>

namespace netenum {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // `line` already ends in CR LF; the sink appends it and moves the caret to the end.
    virtual void AppendLine(const std::u16string& line) = 0;
};

// gCurrentForm of the program: set by a window as it loads, reset by a closing
// window to the one it falls back to, so it never refers to a closed window.
void SetCurrentForm(MessageSink* sink);
MessageSink* CurrentForm();

// Appends to the current target, or drops the line when there is none. A line
// from another thread (a network call carried out on a worker) waits until
// the thread that owns the target delivers it.
void AppendToCurrentForm(const std::u16string& line);
void DeliverQueuedLines();

// Sets the target for a scope and puts the previous one back afterwards.
class ScopedMessageTarget {
public:
    explicit ScopedMessageTarget(MessageSink* sink) : mPrevious(CurrentForm()) { SetCurrentForm(sink); }
    ~ScopedMessageTarget() { SetCurrentForm(mPrevious); }
    ScopedMessageTarget(const ScopedMessageTarget&) = delete;
    ScopedMessageTarget& operator=(const ScopedMessageTarget&) = delete;

private:
    MessageSink* mPrevious;
};

// Lines written on this thread go to `sink` for a scope, whatever the
// current target: a worker that asks one computer for a search collects that
// computer's lines apart from the window's.
class ScopedThreadTarget {
public:
    explicit ScopedThreadTarget(MessageSink* sink);
    ~ScopedThreadTarget();
    ScopedThreadTarget(const ScopedThreadTarget&) = delete;
    ScopedThreadTarget& operator=(const ScopedThreadTarget&) = delete;

private:
    MessageSink* mPrevious;
};

}  // namespace netenum
