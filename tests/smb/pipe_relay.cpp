// The message-mode relay as a process of its own, for the live tests' second
// pass: pipe_relay LISTEN UPSTREAM (both IPv4 addresses, port 445). Runs
// until it is sent SIGTERM.
#include <csignal>
#include <cstdio>

#include "PipeRelay.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pipe_relay LISTEN UPSTREAM\n");
        return 2;
    }
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    smbtest::PipeRelay relay(argv[1], argv[2], smbtest::PipeRelay::Mode::Message);
    if (!relay.Error().empty()) {
        std::fprintf(stderr, "pipe_relay: %s\n", relay.Error().c_str());
        return 1;
    }
    int signal = 0;
    sigwait(&stop, &signal);
    // What it did, for whoever wonders whether the pass really met the rule.
    std::printf("pipe reads %d, answered STATUS_BUFFER_OVERFLOW %d, ended at a message's end %d\n",
                relay.PipeReads(), relay.Overflows(), relay.Boundaries());
    if (relay.Signed() != 0) {
        std::fprintf(stderr, "pipe_relay: %d signed replies could not be rewritten\n", relay.Signed());
        return 1;
    }
    return 0;
}
