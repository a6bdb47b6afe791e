#include "LiveFixture.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace testing_support {

FixtureRun ReadFixtureRun(const char* dirVariable) {
    FixtureRun run;
    const char* dir = std::getenv(dirVariable);
    if (dir == nullptr) {
        run.skip = std::string(dirVariable) + " is not set (run through ctest)";
        return run;
    }
    run.dir = dir;
    if (std::ifstream skipFile(run.dir + "/skip"); skipFile) {
        std::getline(skipFile, run.skip);
        return run;
    }
    std::ifstream envFile(run.dir + "/env");
    if (!envFile) {
        run.skip = "no live server running: " + run.dir + "/env is missing";
        return run;
    }
    for (std::string line; std::getline(envFile, line);)
        if (const auto eq = line.find('='); eq != std::string::npos)
            run.env[line.substr(0, eq)] = line.substr(eq + 1);
    return run;
}

const SambaRun& Samba() {
    static const SambaRun run = [] {
        SambaRun r;
        r.viaRelay = std::getenv("VANTOR_SAMBA_RELAY_DIR") != nullptr;
        static_cast<FixtureRun&>(r) =
            ReadFixtureRun(r.viaRelay ? "VANTOR_SAMBA_RELAY_DIR" : "VANTOR_SAMBA_DIR");
        r.host = "127.0.0.1";
        if (r.viaRelay && r.skip.empty()) {
            r.host = r.env["relay"];
            r.home = r.env["relay_home"];
            // A relay pass without its relay would test the direct way twice.
            if (r.host.empty() || r.home.empty()) {
                std::fprintf(stderr, "%s/env names no relay\n", r.dir.c_str());
                std::abort();
            }
        }
        return r;
    }();
    return run;
}

void UseSambaClientHome() {
    if (!Samba().home.empty()) setenv("HOME", Samba().home.c_str(), 1);
}

std::string ResolvedAddress(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return {};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text);
    freeaddrinfo(found);
    return text;
}

FileHolder::FileHolder(const std::string& program, const std::string& host,
                       const std::string& user, const std::string& password,
                       const std::vector<std::string>& paths) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;  // what is open then is the test's to lose
    mPid = fork();
    if (mPid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(host.c_str()),
                                   const_cast<char*>(user.c_str())};
        for (const auto& p : paths) argv.push_back(const_cast<char*>(p.c_str()));
        argv.push_back(nullptr);
        // Not on the command line, where ps would show it.
        setenv("VANTOR_HOLDER_PASSWORD", password.c_str(), 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    mIn = in[1];
    mOut = out[0];
    const std::string first = Line();
    mReady = first.rfind("READY", 0) == 0;
    if (!mReady) mFailure = first.empty() ? "no answer from the holder" : first;
}

FileHolder::~FileHolder() {
    Send("quit\n");
    if (mIn >= 0) close(mIn);
    if (mPid > 0) {
        // Give it a moment to log off cleanly, then make sure it is gone.
        bool gone = false;
        for (int i = 0; i < 100 && !(gone = waitpid(mPid, nullptr, WNOHANG) == mPid); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!gone) {
            kill(mPid, SIGKILL);
            waitpid(mPid, nullptr, 0);
        }
    }
    if (mOut >= 0) close(mOut);
}

bool FileHolder::CanRead(std::size_t index) {
    Send("read " + std::to_string(index) + "\n");
    return Line() == "OK";
}

void FileHolder::Send(const std::string& s) {
    if (mIn >= 0 && write(mIn, s.data(), s.size()) < 0) {
        close(mIn);
        mIn = -1;
    }
}

std::string FileHolder::Line() {
    std::string line;
    char c = 0;
    for (;;) {
        pollfd p{mOut, POLLIN, 0};
        if (poll(&p, 1, 30000) <= 0) return line;
        if (read(mOut, &c, 1) != 1 || c == '\n') return line;
        line.push_back(c);
    }
}

}  // namespace testing_support
