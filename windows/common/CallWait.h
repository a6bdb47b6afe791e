#pragma once
// The window program's way of carrying out a network call: on a worker
// thread, while the window thread waits in a loop that paints, lays out and
// delivers posted events but runs no timer, no socket handler and nothing the
// user types or clicks (those are dropped, except Esc, which gives the wait
// up). A refresh thus stays one step, as it was when the call blocked, yet
// the window never stops painting.
#include <QObject>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "netenum/CallControl.h"

namespace common {

class WaitingCallRunner final : public QObject, public netapi::CallRunner {
public:
    // How long past a call's own deadline the window still waits for it; the
    // provider normally ends the call by its deadline.
    static constexpr std::chrono::milliseconds kGrace{1500};

    WaitingCallRunner();
    ~WaitingCallRunner() override;

    Outcome Run(netapi::CallControl& call, std::function<void()> work) override;
    // Calls in flight right now (0 or 1, more only while a nested wait runs).
    int Waiting() const { return mDepth; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Worker {
        std::mutex lock;
        std::condition_variable done;
        bool finished = false;
        std::thread thread;
    };
    void JoinFinished();

    int mDepth = 0;
    bool mEscape = false;
    // After Esc, the rest of the same step is given up too, without the network.
    bool mCancelRest = false;
    std::vector<std::shared_ptr<Worker>> mLeftBehind;
};

}  // namespace common
