// The open-file list of a live Samba server holding 10,000 files, four ways:
// the program's colFileEnum::Init, Samba's libnetapi NetFileEnum level 3,
// `smbstatus -L`, the whole program in list mode writing JSON
// (`vantor --list files --format json`, a process of its own, its own logon),
// and Samba's `net rpc file`, the same kind of process.
// Prints the median of several runs of each, in ms.
//   vantor_smb_bench DIR   (DIR: a server started by samba-server)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "LibnetapiFileEnum.h"
#include "netenum/colFileEnum.h"
#include "netenum/netapi.h"
#include "smb/SmbProvider.h"

namespace {

constexpr int kFiles = 10000;
constexpr int kRuns = 9;

// Times each way in turn, round after round, so that a change in the load of
// the machine falls on all three alike; the median of each.
std::vector<double> InterleavedMedians(const std::vector<std::function<bool()>>& ways) {
    std::vector<std::vector<double>> ms(ways.size());
    std::vector<bool> failed(ways.size(), false);
    for (int round = 0; round < kRuns; ++round)
        for (std::size_t w = 0; w < ways.size(); ++w) {
            if (failed[w]) continue;
            const auto t0 = std::chrono::steady_clock::now();
            failed[w] = !ways[w]();
            ms[w].push_back(std::chrono::duration<double, std::milli>(
                                std::chrono::steady_clock::now() - t0).count());
        }
    std::vector<double> medians;
    for (std::size_t w = 0; w < ways.size(); ++w) {
        std::sort(ms[w].begin(), ms[w].end());
        medians.push_back(failed[w] ? -1 : ms[w][ms[w].size() / 2]);
    }
    return medians;
}

// Runs a program with its output thrown away; true when it exits 0.
bool RunQuiet(std::vector<std::string> args) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SERVER-DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::map<std::string, std::string> env;
    std::ifstream envFile(dir + "/env");
    for (std::string line; std::getline(envFile, line);)
        if (const auto eq = line.find('='); eq != std::string::npos)
            env[line.substr(0, eq)] = line.substr(eq + 1);
    if (env.empty()) {
        std::fprintf(stderr, "bench/smb: no server in %s\n", dir.c_str());
        return 1;
    }

    // One user holds the files, in a helper process, until its input closes.
    const std::string folder = dir + "/shares/data/bench";
    mkdir(folder.c_str(), 0777);
    chmod(folder.c_str(), 0777);
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return 1;
    const pid_t holder = fork();
    if (holder == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        setenv("VANTOR_HOLDER_PASSWORD", env["password"].c_str(), 1);
        execl(VANTOR_SMB_HOLDER, VANTOR_SMB_HOLDER, "127.0.0.1", "vantortest_alice", "--many",
              "data/bench/f%05d.dat", std::to_string(kFiles).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    std::string ready;
    for (char c = 0; read(out[0], &c, 1) == 1 && c != '\n';) ready.push_back(c);
    if (ready.rfind("READY", 0) != 0) {
        std::fprintf(stderr, "bench/smb: the holder failed: %s\n", ready.c_str());
        close(in[1]);
        waitpid(holder, nullptr, 0);
        return 1;
    }

    setenv("VANTOR_SMB_AUTHFILE", (dir + "/admin.auth").c_str(), 1);
    netapi::SetProvider(smb::MakeSmbProvider());
    std::size_t count = 0;
    auto vantor = [&] {
        netenum::colFileEnum files;
        files.Init(u"127.0.0.1");
        count = files.Count();
        return count >= static_cast<std::size_t>(kFiles);
    };
    const bool haveLibnetapi = smbbench::LibnetapiInit(env["admin"], env["admin_password"]);
    auto lib = [&] { return haveLibnetapi && smbbench::LibnetapiFileEnum("127.0.0.1") >= kFiles; };
    const std::string conf = env["conf"];
    auto status = [&] { return RunQuiet({"smbstatus", "-s", conf, "-L"}); };
    setenv("VANTOR_NETWORK", "smb", 1);
    setenv("XDG_CONFIG_HOME", (dir + "/no-settings").c_str(), 1);
    auto listJson = [&] {
        return RunQuiet({VANTOR_BINARY, "--list", "files", "--server", "127.0.0.1", "--format", "json"});
    };
    // Samba's own command-line answer to the same question, also a process of
    // its own with its own logon: the fair partner of the list mode.
    auto netRpcFile = [&] {
        return RunQuiet({"net", "rpc", "file", "-S", "127.0.0.1", "-A", dir + "/admin.auth"});
    };
    // A first round connects, binds and wakes the server's RPC helpers.
    vantor();
    lib();
    status();
    listJson();
    netRpcFile();
    const auto medians = InterleavedMedians({vantor, lib, status, listJson, netRpcFile});
    const double vantorMs = medians[0], libnetapiMs = medians[1], smbstatusMs = medians[2],
                 listJsonMs = medians[3], netRpcFileMs = medians[4];
    if (haveLibnetapi) smbbench::LibnetapiDone();

    close(in[1]);  // the holder closes its files and ends
    waitpid(holder, nullptr, 0);
    netapi::SetProvider(nullptr);

    std::fprintf(stderr, "bench/smb: %zu open files listed\n", count);
    if (vantorMs >= 0) std::printf("smb.colFileEnum.Init/%d %.1f ms\n", kFiles, vantorMs);
    if (libnetapiMs >= 0) std::printf("smb.libnetapi.NetFileEnum/%d %.1f ms\n", kFiles, libnetapiMs);
    if (smbstatusMs >= 0) std::printf("smb.smbstatus/%d %.1f ms\n", kFiles, smbstatusMs);
    if (listJsonMs >= 0) std::printf("smb.list.json/%d %.1f ms\n", kFiles, listJsonMs);
    if (netRpcFileMs >= 0) std::printf("smb.net.rpc.file/%d %.1f ms\n", kFiles, netRpcFileMs);
    return 0;
}
