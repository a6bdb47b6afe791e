#pragma once
// The list mode: files, sessions, shares or connections of one or more
// servers, asked in parallel, written to standard output as a table, CSV or
// JSON. Failures go to the error stream, one line each, and the servers that
// answered are still listed.
//
//     vantor --list files --server all --match '*budget*.xlsx'
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ListRows.h"
#include "logon/Account.h"

namespace app {

enum class ListFormat { Table, Csv, Json };

// Where standard output goes decides what is written when nothing is asked:
// a terminal gets the table, anything else CSV; a file (not a pipe) gets the
// byte order mark that spreadsheets need.
enum class OutputKind { Terminal, File, Pipe };

struct ListRequest {
    ListQuery query;
    std::vector<std::u16string> servers;  // as given, "all" included
    std::optional<ListFormat> format;
};

struct OptionLine {
    enum class Kind { Help, List, Malformed } kind = Kind::Malformed;
    ListRequest request;
    std::string problem;  // for Malformed
};

// True when the arguments are options ("--list", "--help", ...) rather than
// the close mode's SERVER,PATTERN,c or the window's "/p".
bool IsOptionCommandLine(int argc, const char* const* argv);
OptionLine ParseOptionLine(int argc, const char* const* argv);
// "--name=value" leaves "--name" in `option` and answers the value; any other
// argument carries no value of its own.
std::optional<std::string> SplitOptionValue(std::string& option);

// The usage of both modes, as --help prints it; `moreCommands` (the share
// commands' part) stands before --help's own line.
std::string HelpText(std::string_view moreCommands = {});
// The one line a malformed command line gets.
std::string UsageLine();

// The account kept for a server (by LogonKeyOf), as the keyring answers it.
using KnownAccount = std::function<std::optional<logon::Account>(const std::string& key)>;

// `configured` are the servers named in the settings and the environment:
// part of "all" even when they do not answer, so that a dead one is reported
// rather than silently left out. `known` is asked here, before any child
// starts, for each server the administrator named (given or configured);
// each child gets only its own server's account. Standard output that
// cannot be written is a failure too.
int RunListMode(const ListRequest& request, const std::vector<std::u16string>& configured,
                OutputKind output, std::ostream& out, std::ostream& err,
                const KnownAccount& known = {});

}  // namespace app
