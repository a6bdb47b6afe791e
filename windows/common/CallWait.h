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
    // From the worker: `ask` runs on the window thread, with input let
    // through (it shows a dialog), and the call's deadline moves on by the
    // time it took. A call given up is not asked about any more.
    void Interact(const std::function<void()>& ask) override;
    // Calls in flight right now (0 or 1, more only while a nested wait runs).
    int Waiting() const { return mDepth; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Worker {
        std::mutex lock;
        std::condition_variable done;
        bool finished = false;
        // Something the worker needs the person for, and whether it is done.
        const std::function<void()>* ask = nullptr;
        bool asked = false;
        std::thread thread;
    };
    void JoinFinished();
    static void Answer(Worker& worker, bool run);

    int mDepth = 0;
    int mInteracting = 0;
    bool mEscape = false;
    // After Esc, the rest of the same step is given up too, without the network.
    bool mCancelRest = false;
    std::vector<std::shared_ptr<Worker>> mLeftBehind;
};

}  // namespace common
