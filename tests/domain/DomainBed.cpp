#include "DomainBed.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace domain_test {

std::map<std::string, std::string> DomainEnv(std::string& skip) {
    std::map<std::string, std::string> env;
    const char* dir = std::getenv("VANTOR_DOMAIN_DIR");
    if (dir == nullptr) {
        skip = "VANTOR_DOMAIN_DIR is not set (run through ctest)";
        return env;
    }
    if (std::ifstream skipFile(std::string(dir) + "/skip"); skipFile) {
        std::getline(skipFile, skip);
        return env;
    }
    std::ifstream file(std::string(dir) + "/env");
    if (!file) skip = "no domain controller running";
    for (std::string line; std::getline(file, line);)
        if (const auto eq = line.find('='); eq != std::string::npos)
            env[line.substr(0, eq)] = line.substr(eq + 1);
    return env;
}

int Run(const std::vector<std::string>& argv, const std::string& input, std::string& output,
        const std::map<std::string, std::string>& env) {
    output.clear();
    int in[2], out[2];
    if (pipe(in) != 0) return -1;
    if (pipe(out) != 0) {
        close(in[0]);
        close(in[1]);
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(in[1]);
        close(out[0]);
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (!input.empty()) (void)!write(in[1], input.data(), input.size());
    close(in[1]);
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Kinit(const std::string& principal, const std::string& password,
                  const std::string& folder) {
    static int count = 0;
    const std::string cache = "FILE:" + folder + "/krb5cc_" + std::to_string(++count);
    std::string output;
    if (Run({"kinit", principal}, password + "\n", output, {{"KRB5CCNAME", cache}}) != 0)
        return {};
    return cache;
}

Holder::Holder(const std::string& host, const std::string& user, const std::string& password,
               const std::vector<std::string>& paths) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    mPid = fork();
    if (mPid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        std::vector<std::string> args = {VANTOR_SMB_HOLDER, host, user};
        args.insert(args.end(), paths.begin(), paths.end());
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        setenv("VANTOR_HOLDER_PASSWORD", password.c_str(), 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    mIn = in[1];
    std::string line;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
    close(out[0]);
    mReady = line.rfind("READY", 0) == 0;
    if (!mReady) mFailure = line.empty() ? "no answer from the holder" : line;
}

Holder::~Holder() {
    if (mIn >= 0) {
        (void)!write(mIn, "quit\n", 5);
        close(mIn);
    }
    if (mPid <= 0) return;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(mPid, nullptr, WNOHANG) == mPid) return;
        usleep(20000);
    }
    kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
}

long AccountControl(const std::map<std::string, std::string>& env, const std::string& user) {
    std::string output;
    if (Run({"samba-tool", "user", "show", user, "-H", env.at("sam"),
             "--attributes=userAccountControl"},
            "", output) != 0)
        return -1;
    const std::string key = "userAccountControl: ";
    const auto at = output.find(key);
    return at == std::string::npos ? -1 : std::strtol(output.c_str() + at + key.size(), nullptr, 10);
}

}  // namespace domain_test
