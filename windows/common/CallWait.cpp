#include "CallWait.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace common {
namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// The worker this thread is, if it is one of the runner's.
thread_local void* tWorker = nullptr;

}  // namespace

WaitingCallRunner::WaitingCallRunner() = default;

WaitingCallRunner::~WaitingCallRunner() {
    // Calls given up still end by their deadline; wait for them, so that
    // nothing runs in the provider while the program shuts down.
    for (auto& w : mLeftBehind) {
        Answer(*w, false);
        if (w->thread.joinable()) w->thread.join();
    }
}

void WaitingCallRunner::Answer(Worker& worker, bool run) {
    const std::function<void()>* ask = nullptr;
    {
        std::lock_guard<std::mutex> guard(worker.lock);
        ask = worker.ask;
    }
    if (ask == nullptr) return;
    if (run) (*ask)();
    {
        std::lock_guard<std::mutex> guard(worker.lock);
        worker.ask = nullptr;
        worker.asked = true;
    }
    worker.done.notify_all();
}

void WaitingCallRunner::JoinFinished() {
    std::erase_if(mLeftBehind, [](const std::shared_ptr<Worker>& w) {
        // Nobody waits for a call given up: what it asks goes unanswered.
        Answer(*w, false);
        std::lock_guard<std::mutex> guard(w->lock);
        if (!w->finished) return false;
        w->thread.join();
        return true;
    });
}

void WaitingCallRunner::Interact(const std::function<void()>& ask) {
    auto* worker = static_cast<Worker*>(tWorker);
    if (worker == nullptr) {
        ask();
        return;
    }
    const netapi::CallControl* call = netapi::CurrentCall();
    if (call != nullptr && call->abandoned.load()) return;
    std::unique_lock<std::mutex> lock(worker->lock);
    worker->asked = false;
    worker->ask = &ask;
    worker->done.notify_all();
    worker->done.wait(lock, [&] { return worker->asked; });
}

netapi::CallRunner::Outcome WaitingCallRunner::Run(netapi::CallControl& call,
                                                   std::function<void()> work) {
    JoinFinished();
    if (mCancelRest) return Outcome::Cancelled;
    auto worker = std::make_shared<Worker>();
    worker->thread = std::thread([worker, work = std::move(work)] {
        tWorker = worker.get();
        work();
        {
            std::lock_guard<std::mutex> guard(worker->lock);
            worker->finished = true;
        }
        worker->done.notify_all();
    });

    const auto giveUpAt = [&call] {
        return call.deadline == netapi::CallClock::time_point::max() ? call.deadline
                                                                     : call.deadline + kGrace;
    };
    auto giveUp = giveUpAt();
    if (mDepth++ == 0) QCoreApplication::instance()->installEventFilter(this);
    mEscape = false;
    Outcome outcome = Outcome::Finished;
    for (;;) {
        bool asking = false;
        {
            std::unique_lock<std::mutex> lock(worker->lock);
            worker->done.wait_for(lock, std::chrono::milliseconds(10),
                                  [&] { return worker->finished || worker->ask != nullptr; });
            if (worker->finished) break;
            asking = worker->ask != nullptr;
        }
        if (asking) {
            // The worker is stopped until this is answered, so the deadline
            // can be moved without a race.
            const auto started = netapi::CallClock::now();
            ++mInteracting;
            Answer(*worker, true);
            --mInteracting;
            if (call.deadline != netapi::CallClock::time_point::max())
                call.deadline += netapi::CallClock::now() - started;
            giveUp = giveUpAt();
            continue;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers |
                                        QEventLoop::X11ExcludeTimers);
        if (mEscape) {
            outcome = Outcome::Cancelled;
            break;
        }
        if (netapi::CallClock::now() >= giveUp) {
            outcome = Outcome::TimedOut;
            break;
        }
    }
    if (--mDepth == 0) QCoreApplication::instance()->removeEventFilter(this);

    if (outcome == Outcome::Finished) {
        worker->thread.join();
        return outcome;
    }
    call.abandoned.store(true);
    mLeftBehind.push_back(std::move(worker));
    if (outcome == Outcome::Cancelled) {
        mCancelRest = true;
        QMetaObject::invokeMethod(this, [this] { mCancelRest = false; }, Qt::QueuedConnection);
    }
    return outcome;
}

bool WaitingCallRunner::eventFilter(QObject* watched, QEvent* event) {
    // A dialog the call itself opened (a log-on) takes input; Qt keeps the
    // windows behind it from getting any.
    if (mDepth == 0 || (mInteracting > 0 && QApplication::activeModalWidget() != nullptr))
        return QObject::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    // Esc reaches the shortcut check first; accepted there, it is not taken
    // for the window's own Esc shortcut, and the key press that follows is dropped.
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        mEscape = true;
        event->accept();
        return true;
    }
    if (IsUserInput(type)) return true;
    // Closing a window in the middle of its own call would pull it away from
    // under that call; the close is refused like any other click.
    if (type == QEvent::Close && event->spontaneous()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace common
