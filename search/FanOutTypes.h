#pragma once
// What a search across computers is given and gives back: its bounds, how
// its child processes start, and each computer's answer.
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ServerAnswer.h"
#include "logon/Account.h"

namespace search {

struct FanOutLimits {
    std::size_t atOnce = 32;            // computers asked at the same time
    std::size_t rowsInAll = 250'000;    // rows kept across all computers
    // A computer's whole job, from its start; a child gets `grace` more to
    // write its answer, then it is ended.
    std::chrono::milliseconds deadline{10'000};
    std::chrono::milliseconds grace{1'500};
    std::size_t answerBytes = 64u << 20;  // the most a child may write back
};

// How a job's child process is started: the program's own binary and the
// hidden option that makes it one. `accountFor` gives the account for a
// computer the administrator named, and nothing for any other: a password
// goes only where it was meant to go.
struct ChildProgram {
    std::string path;
    std::vector<std::string> arguments;
    std::function<std::optional<logon::Account>(const std::u16string& computer)> accountFor;
};

struct ComputerAnswer {
    std::size_t index = 0;  // the job's place in Start's list
    ServerAnswer answer;
    bool cut = false;  // rows were left out: the total was reached
};

// Called on one of the engine's threads; cheap, it should only queue.
using Delivery = std::function<void(ComputerAnswer)>;
using Done = std::function<void()>;

struct RunState;

}  // namespace search
