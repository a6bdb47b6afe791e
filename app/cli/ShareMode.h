#pragma once
// The share commands: create, change and remove one share of one server,
// and list who may use it.
//
//     vantor --share add --server FS1 --name Projects --path 'D:\Shares\Projects' --grant alice:change
//     vantor --share set --server FS1 --name Projects --max-uses 10 --revoke Everyone
//     vantor --share remove --server FS1 --name Projects
//     vantor --list permissions --server FS1 --share Projects --format json
//
// Everything the command line itself can tell is checked before any call:
// a malformed line changes nothing and ends with status 2. A change reads
// the share first and writes only what differs; permissions go back as one
// whole descriptor. Failures are one line each on the error stream (status 1).
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "ListMode.h"
#include "netenum/ShareEdit.h"

namespace app {

struct ShareCommand {
    enum class Action { Add, Set, Remove, ListPermissions };
    Action action = Action::Add;
    std::u16string server;
    std::u16string name;
    std::u16string path;
    std::optional<std::u16string> remark;
    std::optional<netapi::DWORD> maxUses;
    std::vector<netapi::PermissionChange> changes;  // accounts as typed
    std::optional<ListFormat> format;
};

// "--share add|set|remove ..." or "--list permissions ...".
bool IsShareCommandLine(int argc, const char* const* argv);

// The command, or nullopt with `problem` saying what is wrong.
std::optional<ShareCommand> ParseShareCommand(int argc, const char* const* argv, std::string& problem);

// The share commands' part of --help.
std::string ShareHelpText();

// Runs a parsed command against the chosen network. What changed is said
// on `out` in one line; the permissions list goes there too.
int RunShareCommand(const ShareCommand& command, OutputKind output, std::ostream& out, std::ostream& err);

}  // namespace app
