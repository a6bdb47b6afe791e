#include "FanOut.h"

#include <fcntl.h>
#include <unistd.h>

#include "RunState.h"
#include "Wire.h"

namespace search {
namespace {

// The first `rows` rows of an answer, its failure lines kept.
void KeepRows(ServerAnswer& answer, std::size_t rows, std::size_t perRow) {
    std::size_t cells = 0;
    std::size_t bytes = 0;
    const std::size_t keep = rows * perRow;
    answer.ForEachCell([&](std::string_view cell) {
        if (cells == keep) return;
        ++cells;
        bytes += sizeof(std::uint32_t) + cell.size();
    });
    answer.cells.resize(bytes);
    answer.cells.shrink_to_fit();
    answer.cellCount = cells;
}

// One worker of a search in this process: it takes jobs until there are none.
void RunInProcess(RunState& state) {
    // Calls made here are carried out here, and end with this job's call.
    const netapi::ScopedDirectCalls direct;
    for (;;) {
        const std::size_t index = state.next.fetch_add(1);
        if (index >= state.jobs.size()) return;
        netapi::CallControl call;
        call.deadline = netapi::CallClock::now() + state.limits.deadline;
        {
            std::lock_guard guard(state.lock);
            if (state.stopped) return;
            state.calls.push_back(&call);
        }
        ServerAnswer answer;
        {
            const netapi::ScopedCall scope(&call);
            answer = RunJob(state.jobs[index]);
        }
        {
            std::lock_guard guard(state.lock);
            std::erase(state.calls, &call);
        }
        state.Deliver(index, std::move(answer));
    }
}

}  // namespace

void RunState::Deliver(std::size_t index, ServerAnswer answer) {
    std::lock_guard guard(lock);
    if (stopped) return;
    const Job& job = jobs[index];
    ComputerAnswer out{index, std::move(answer), false};
    const std::size_t perRow = CellsPerRow(job.kind);
    if (job.kind == JobKind::Files || job.kind == JobKind::Sessions) {
        std::size_t got = out.answer.cellCount / perRow;
        if (rows + got > limits.rowsInAll) {
            got = limits.rowsInAll - rows;
            KeepRows(out.answer, got, perRow);
            out.cut = true;
        }
        rows += got;
    }
    ++answered;
    deliver(std::move(out));
    if (answered == jobs.size() && done) done();
}

FanOut::FanOut(FanOutLimits limits, std::optional<ChildProgram> program)
    : mState(std::make_shared<RunState>()) {
    mState->limits = limits;
    if (mState->limits.atOnce == 0) mState->limits.atOnce = 1;
    mState->program = std::move(program);
}

FanOut::~FanOut() {
    Stop();
    for (auto& thread : mState->threads)
        if (thread.joinable()) thread.join();
    for (int fd : mState->wake)
        if (fd >= 0) close(fd);
}

void FanOut::Start(std::vector<Job> jobs, Delivery deliver, Done done) {
    RunState& state = *mState;
    if (!state.threads.empty()) return;
    state.jobs = std::move(jobs);
    state.deliver = std::move(deliver);
    state.done = std::move(done);
    if (state.jobs.empty()) {
        if (state.done) state.done();
        return;
    }
    if (state.program) {
        if (pipe2(state.wake, O_CLOEXEC | O_NONBLOCK) != 0) state.wake[0] = state.wake[1] = -1;
        state.threads.emplace_back([&state] { RunChildren(state); });
        return;
    }
    const std::size_t workers = std::min(state.limits.atOnce, state.jobs.size());
    for (std::size_t i = 0; i < workers; ++i)
        state.threads.emplace_back([&state] { RunInProcess(state); });
}

void FanOut::Stop() {
    RunState& state = *mState;
    std::lock_guard guard(state.lock);
    if (state.stopped) return;
    state.stopped = true;
    for (netapi::CallControl* call : state.calls) call->abandoned.store(true);
    if (state.wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto n = write(state.wake[1], &byte, 1);
    }
}

std::string EncodeChildInput(const Job& job, const std::optional<logon::Account>& account) {
    std::string out;
    PutText(out, EncodeJob(job));
    PutCount(out, account ? 1 : 0);
    if (account) {
        PutText(out, account->user);
        PutText(out, account->password);
        PutText(out, account->domain);
    }
    return out;
}

bool DecodeChildInput(std::string_view bytes, Job& job, std::optional<logon::Account>& account) {
    Reader in(bytes);
    std::string jobBytes;
    std::uint32_t hasAccount = 0;
    if (!in.Text(jobBytes) || !DecodeJob(jobBytes, job) || !in.Count(hasAccount) || hasAccount > 1)
        return false;
    account.reset();
    if (hasAccount == 1) {
        logon::Account a;
        if (!in.Text(a.user) || !in.Text(a.password) || !in.Text(a.domain)) return false;
        account = std::move(a);
    }
    return in.AtEnd();
}

}  // namespace search
