#include "CallWait.h"

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

}  // namespace

WaitingCallRunner::WaitingCallRunner() = default;

WaitingCallRunner::~WaitingCallRunner() {
    // Calls given up still end by their deadline; wait for them, so that
    // nothing runs in the provider while the program shuts down.
    for (auto& w : mLeftBehind)
        if (w->thread.joinable()) w->thread.join();
}

void WaitingCallRunner::JoinFinished() {
    std::erase_if(mLeftBehind, [](const std::shared_ptr<Worker>& w) {
        std::lock_guard<std::mutex> guard(w->lock);
        if (!w->finished) return false;
        w->thread.join();
        return true;
    });
}

netapi::CallRunner::Outcome WaitingCallRunner::Run(netapi::CallControl& call,
                                                   std::function<void()> work) {
    JoinFinished();
    if (mCancelRest) return Outcome::Cancelled;
    auto worker = std::make_shared<Worker>();
    worker->thread = std::thread([worker, work = std::move(work)] {
        work();
        {
            std::lock_guard<std::mutex> guard(worker->lock);
            worker->finished = true;
        }
        worker->done.notify_all();
    });

    const auto giveUp = call.deadline == netapi::CallClock::time_point::max()
                            ? call.deadline
                            : call.deadline + kGrace;
    if (mDepth++ == 0) QCoreApplication::instance()->installEventFilter(this);
    mEscape = false;
    Outcome outcome = Outcome::Finished;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(worker->lock);
            if (worker->done.wait_for(lock, std::chrono::milliseconds(10),
                                      [&] { return worker->finished; }))
                break;
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
    if (mDepth == 0) return QObject::eventFilter(watched, event);
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
