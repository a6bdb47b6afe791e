#include "SearchChild.h"

#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "app/NetworkChoice.h"
#include "logon/CredentialLookup.h"
#include "search/FanOut.h"
#include "search/SearchJob.h"

namespace app {
namespace {

// The most a job can take: a close of many thousand files.
constexpr std::size_t kMostInput = 16u << 20;

bool ReadAll(std::string& bytes) {
    char chunk[65536];
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (bytes.size() + static_cast<std::size_t>(n) > kMostInput) return false;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

}  // namespace

search::ChildProgram SearchChildProgram(std::string path, std::shared_ptr<logon::CredentialLookup> lookup) {
    search::ChildProgram program;
    program.path = std::move(path);
    program.arguments = {std::string(kSearchChildOption)};
    program.accountFor = [lookup = std::move(lookup)](const std::u16string& computer)
        -> std::optional<logon::Account> {
        // Only a computer the administrator named is told a password; a
        // computer found on the network is asked without one.
        if (!lookup || !NamedServer(computer)) return std::nullopt;
        return lookup->Known(LogonKeyOf(computer));
    };
    return program;
}

int RunSearchChild() {
    std::string input;
    search::Job job;
    std::optional<logon::Account> account;
    const bool read = ReadAll(input) && search::DecodeChildInput(input, job, account);
    logon::Wipe(input);
    if (!read) return 2;

    search::ServerAnswer answer;
    std::string error;
    if (!ChooseNetworkFromEnvironment(error)) {
        answer.failures.push_back(error);
    } else {
        if (account) {
            // The window gives an account only for a computer the
            // administrator named: it is named here as well.
            logon::ProtectSecrets();
            NameTypedServers({job.computer});
            logon::SetLookup(std::make_shared<logon::OneAccount>(LogonKeyOf(job.computer), *account));
            logon::Wipe(account->password);
        }
        answer = search::RunJob(job);
        if (!answer.failures.empty())
            if (const std::string tried = RefusedLogon(job.computer); !tried.empty())
                answer.failures.push_back("logged on with " + tried + "; the server refused it");
        logon::SetLookup(nullptr);
    }
    return search::WriteAnswer(STDOUT_FILENO, answer) ? 0 : 1;
}

}  // namespace app
