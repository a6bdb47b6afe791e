#pragma once
// Runs a program to its end, as a person would from a shell, and keeps what
// it wrote: standard output (a pipe, or a file when `outFile` names one) and
// standard error. Its standard input is `input`, then its end. `program` is
// a path, or a name looked up on PATH. The environment is this process's
// with `set` and `unset` applied; a program that stays silent for 60 s is
// waited for no longer.
#include <map>
#include <string>
#include <vector>

namespace testing_support {

struct ProgramRun {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::string>& set,
                      const std::vector<std::string>& unset = {}, const std::string& outFile = "",
                      const std::string& input = "");

}  // namespace testing_support
