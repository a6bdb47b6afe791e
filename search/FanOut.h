#pragma once
// A search across computers: one job per computer, run side by side, each
// computer's answer handed on the moment it comes, so that a slow or dead
// computer delays only its own rows. Stop ends it at once and keeps what
// came. Memory is bounded: rows past a total are left out, and said.
//
// On the simulated network the jobs run on worker threads of this process
// (a child would see a copy of the network, where a closed file lives on).
// On the real network each job runs in a child process, this program
// started afresh with a hidden option: the SMB library is used under one
// process-wide lock, and a process per computer keeps a computer that hangs
// from holding it while the others wait.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FanOutTypes.h"
#include "SearchJob.h"
#include "ServerAnswer.h"
#include "logon/Account.h"

namespace search {

class FanOut {
public:
    // Called on one of the engine's threads; cheap, it should only queue.
    using Delivery = search::Delivery;
    using Done = search::Done;

    // Children when `program` is given, worker threads otherwise.
    FanOut(FanOutLimits limits, std::optional<ChildProgram> program);
    // Stops and waits for its threads (a worker ends within moments of Stop).
    ~FanOut();
    FanOut(const FanOut&) = delete;
    FanOut& operator=(const FanOut&) = delete;

    // Runs every job; `deliver` gets each computer's answer, `done` runs
    // after the last one. Once only per object.
    void Start(std::vector<Job> jobs, Delivery deliver, Done done);
    // Nothing is delivered once this returns; jobs under way are given up
    // (children are killed, calls in this process abandoned).
    void Stop();

private:
    std::shared_ptr<RunState> mState;
};

// The message a child reads on its standard input: its job and, for a
// computer the administrator named, that computer's account.
std::string EncodeChildInput(const Job& job, const std::optional<logon::Account>& account);
bool DecodeChildInput(std::string_view bytes, Job& job, std::optional<logon::Account>& account);

}  // namespace search
