#include "ServerFanOut.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

#include "text/Text.h"

namespace app {
namespace {

ServerAnswer AskOne(const std::u16string& server,
                    const std::function<ServerAnswer(const std::u16string&)>& ask) {
    ServerAnswer answer;
    try {
        answer = ask(server);
    } catch (const std::exception& e) {
        answer = {};
        answer.failures.push_back(std::string("the listing stopped: ") + e.what());
    } catch (...) {
        answer = {};
        answer.failures.push_back("the listing stopped");
    }
    return answer;
}

[[noreturn]] void RunChild(int fd, const std::u16string& server,
                           const std::function<ServerAnswer(const std::u16string&)>& ask) {
    const bool written = WriteAnswer(fd, AskOne(server, ask));
    close(fd);
    // No exit handlers: they belong to the parent (its streams, its objects).
    _exit(written ? 0 : 1);
}

struct Child {
    std::size_t index = 0;
    pid_t pid = -1;
    int fd = -1;
    std::string bytes;
};

std::string EndedText(int status) {
    if (WIFSIGNALED(status))
        return "the listing process ended with signal " + std::to_string(WTERMSIG(status));
    return "the listing process ended with status " + std::to_string(WEXITSTATUS(status));
}

void Finish(Child& child, std::vector<ServerAnswer>& answers) {
    close(child.fd);
    int status = 0;
    while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    ServerAnswer& answer = answers[child.index];
    if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        answer = {};
        answer.failures.push_back(EndedText(status));
    } else if (!DecodeAnswer(child.bytes, answer)) {
        answer = {};
        answer.failures.push_back("the listing process gave an unreadable answer");
    }
    child.bytes.clear();
    child.bytes.shrink_to_fit();
}

}  // namespace

std::vector<ServerAnswer> AskEachServer(const std::vector<std::u16string>& servers,
                                        const std::function<ServerAnswer(const std::u16string&)>& ask,
                                        std::size_t atOnce, bool apart) {
    std::vector<ServerAnswer> answers(servers.size());
    // One server has nothing to run beside it: asked here, it is spared the
    // child's start and the copy-on-write faults of a large list.
    if (servers.size() == 1 && !apart) {
        answers[0] = AskOne(servers[0], ask);
        return answers;
    }
    if (atOnce == 0) atOnce = 1;
    // Whatever the parent buffered would otherwise be written once more by
    // every child that flushes.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);

    std::vector<Child> running;
    std::size_t next = 0;
    while (next < servers.size() || !running.empty()) {
        while (next < servers.size() && running.size() < atOnce) {
            const std::size_t index = next++;
            int fds[2];
            if (pipe(fds) != 0) {
                answers[index].failures.push_back(std::string("cannot start the listing: ") +
                                                  std::strerror(errno));
                continue;
            }
            const pid_t pid = fork();
            if (pid < 0) {
                answers[index].failures.push_back(std::string("cannot start the listing: ") +
                                                  std::strerror(errno));
                close(fds[0]);
                close(fds[1]);
                continue;
            }
            if (pid == 0) {
                close(fds[0]);
                for (const Child& other : running) close(other.fd);
                RunChild(fds[1], servers[index], ask);
            }
            close(fds[1]);
            running.push_back({index, pid, fds[0], {}});
        }
        if (running.empty()) continue;

        std::vector<pollfd> polls;
        polls.reserve(running.size());
        for (const Child& child : running) polls.push_back({child.fd, POLLIN, 0});
        if (poll(polls.data(), polls.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (std::size_t i = polls.size(); i-- > 0;) {
            if (polls[i].revents == 0) continue;
            Child& child = running[i];
            char chunk[65536];
            const ssize_t n = read(child.fd, chunk, sizeof chunk);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n > 0) {
                child.bytes.append(chunk, static_cast<std::size_t>(n));
                continue;
            }
            Finish(child, answers);
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    return answers;
}

}  // namespace app
