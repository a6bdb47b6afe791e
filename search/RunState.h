#pragma once
// What the two ways of running a search share: the jobs, the limits, the
// receiver and the bookkeeping that stops it and bounds its rows.
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "FanOutTypes.h"
#include "SearchJob.h"
#include "netenum/CallControl.h"

namespace search {

struct RunState {
    FanOutLimits limits;
    std::optional<ChildProgram> program;
    std::vector<Job> jobs;
    Delivery deliver;
    Done done;

    std::mutex lock;  // guards what follows, and every delivery
    bool stopped = false;
    std::size_t rows = 0;
    std::size_t answered = 0;
    // Calls under way in this process, given up by Stop.
    std::vector<netapi::CallControl*> calls;
    int wake[2] = {-1, -1};  // wakes the children's loop on Stop

    std::atomic<std::size_t> next{0};
    std::vector<std::thread> threads;

    // Hands one answer on, cut to the rows the total still allows; the last
    // one also runs `done`. Nothing after Stop.
    void Deliver(std::size_t index, ServerAnswer answer);
};

// The children's loop, on a thread of its own.
void RunChildren(RunState& state);

}  // namespace search
