// The children's loop: each job in a child process of its own, started by
// exec (the window program has threads; only a fresh program is safe to run
// in a child), fed its job on standard input and read back on standard
// output, both one socket so that a child that is gone raises no SIGPIPE.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "FanOut.h"
#include "RunState.h"

extern char** environ;

namespace search {
namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    std::size_t index = 0;
    pid_t pid = -1;
    int fd = -1;
    std::string input;  // still to be written (the account wiped once sent)
    std::size_t written = 0;
    std::string output;
    Clock::time_point endBy;
    bool tooLong = false;
};

std::string EndedText(int status) {
    if (WIFSIGNALED(status))
        return "the search process ended with signal " + std::to_string(WTERMSIG(status));
    return "the search process ended with status " + std::to_string(WEXITSTATUS(status));
}

// "10 seconds", or "0.2 seconds" for a deadline below a whole number.
std::string SecondsText(std::chrono::milliseconds span) {
    const auto ms = span.count();
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0) {
        text += '.' + std::to_string(ms % 1000 / 100);
        if (ms % 100 != 0) text += std::to_string(ms % 100 / 10);
    }
    return text + " seconds";
}

ServerAnswer FailedWith(std::string line) {
    ServerAnswer answer;
    answer.failures.push_back(std::move(line));
    return answer;
}

void Reap(pid_t pid, int* status) {
    while (waitpid(pid, status, 0) < 0 && errno == EINTR) {
    }
}

// Starts the child for job `index`; the failure line when it cannot start.
std::optional<std::string> Spawn(RunState& state, std::size_t index, Child& child) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return std::string("cannot start the search: ") + std::strerror(errno);
    const ChildProgram& program = *state.program;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.path.c_str()));
    for (const auto& a : program.arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    // What a library prints is no part of the answer.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (failed != 0) {
        close(fds[0]);
        return std::string("cannot start the search: ") + std::strerror(failed);
    }
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    const Job& job = state.jobs[index];
    std::optional<logon::Account> account;
    if (program.accountFor) account = program.accountFor(job.computer);
    child.index = index;
    child.pid = pid;
    child.fd = fds[0];
    child.input = EncodeChildInput(job, account);
    if (account) logon::Wipe(account->password);
    child.endBy = Clock::now() + state.limits.deadline + state.limits.grace;
    return std::nullopt;
}

void Drop(Child& child) {
    logon::Wipe(child.input);
    if (child.fd >= 0) close(child.fd);
    child.fd = -1;
}

// Writes what the child still needs; false when it cannot take it.
bool Feed(Child& child) {
    while (child.written < child.input.size()) {
        const ssize_t n = send(child.fd, child.input.data() + child.written,
                               child.input.size() - child.written, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return true;
        if (n <= 0) return false;
        child.written += static_cast<std::size_t>(n);
    }
    logon::Wipe(child.input);
    child.input.clear();
    shutdown(child.fd, SHUT_WR);  // the end of the job
    return true;
}

// Reads what the child wrote; true once it has closed its end.
bool Drain(Child& child, std::size_t most) {
    char chunk[65536];
    for (;;) {
        const ssize_t n = read(child.fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return false;
        if (n <= 0) return true;
        if (child.output.size() + static_cast<std::size_t>(n) > most) {
            child.tooLong = true;
            return true;
        }
        child.output.append(chunk, static_cast<std::size_t>(n));
    }
}

ServerAnswer Finish(Child& child, bool overDeadline, std::chrono::milliseconds deadline) {
    Drop(child);
    if (overDeadline || child.tooLong) kill(child.pid, SIGKILL);
    int status = 0;
    Reap(child.pid, &status);
    if (overDeadline)
        return FailedWith("the computer did not answer within " + SecondsText(deadline));
    if (child.tooLong) return FailedWith("the answer was larger than a search takes");
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) return FailedWith(EndedText(status));
    ServerAnswer answer;
    if (!DecodeAnswer(child.output, answer)) return FailedWith("the search process gave an unreadable answer");
    return answer;
}

bool Stopped(RunState& state) {
    std::lock_guard guard(state.lock);
    return state.stopped;
}

}  // namespace

void RunChildren(RunState& state) {
    std::vector<Child> running;
    std::size_t next = 0;
    while (!Stopped(state) && (next < state.jobs.size() || !running.empty())) {
        while (next < state.jobs.size() && running.size() < state.limits.atOnce) {
            Child child;
            const std::size_t index = next++;
            if (auto problem = Spawn(state, index, child)) {
                state.Deliver(index, FailedWith(std::move(*problem)));
                continue;
            }
            running.push_back(std::move(child));
        }
        if (running.empty()) continue;

        std::vector<pollfd> polls;
        polls.reserve(running.size() + 1);
        auto wait = std::chrono::milliseconds::max();
        const auto now = Clock::now();
        for (const Child& child : running) {
            const short events = child.written < child.input.size() ? POLLIN | POLLOUT : POLLIN;
            polls.push_back({child.fd, events, 0});
            wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(
                                      std::max(child.endBy - now, Clock::duration::zero())));
        }
        polls.push_back({state.wake[0], POLLIN, 0});
        const int timeout = static_cast<int>(std::min<long long>(wait.count(), 60'000));
        if (poll(polls.data(), polls.size(), timeout) < 0 && errno != EINTR) break;

        const auto after = Clock::now();
        for (std::size_t i = running.size(); i-- > 0;) {
            Child& child = running[i];
            bool ended = false;
            const bool overDeadline = after >= child.endBy;
            if (!overDeadline && polls[i].revents != 0) {
                if ((polls[i].revents & POLLOUT) != 0 && !Feed(child)) ended = true;
                if ((polls[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0 &&
                    Drain(child, state.limits.answerBytes))
                    ended = true;
            }
            if (!ended && !overDeadline) continue;
            const std::size_t index = child.index;
            ServerAnswer answer = Finish(child, overDeadline, state.limits.deadline);
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            state.Deliver(index, std::move(answer));
        }
    }
    // Stopped: whatever still runs is ended, and nothing more is said.
    for (Child& child : running) {
        Drop(child);
        kill(child.pid, SIGKILL);
        int status = 0;
        Reap(child.pid, &status);
    }
}

}  // namespace search
