#include "ListMode.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <ostream>
#include <string_view>

#include "CommandLine.h"
#include "app/NetworkChoice.h"
#include "listformat/Escape.h"
#include "listformat/Formats.h"
#include "logon/CredentialLookup.h"
#include "text/Text.h"

namespace app {
namespace {

// Servers asked at the same time; each is a process of its own.
constexpr std::size_t kServersAtOnce = 16;

std::optional<ListKind> KindNamed(std::string_view name) {
    if (name == "files") return ListKind::Files;
    if (name == "sessions") return ListKind::Sessions;
    if (name == "shares") return ListKind::Shares;
    if (name == "connections") return ListKind::Connections;
    return std::nullopt;
}

std::optional<ListFormat> FormatNamed(std::string_view name) {
    if (name == "table") return ListFormat::Table;
    if (name == "csv") return ListFormat::Csv;
    if (name == "json") return ListFormat::Json;
    return std::nullopt;
}

// A pattern option's value, folded as the close mode folds ("*été*" finds
// "ÉTÉ"); nullopt with `problem` set when it is too long.
std::optional<std::u16string> PatternValue(const std::string& option, const std::string& value,
                                           std::string& problem) {
    const std::u16string pattern = text::FromUtf8(value);
    if (pattern.size() > kMaxPatternLength) {
        problem = option + " is longer than " + std::to_string(kMaxPatternLength) + " characters";
        return std::nullopt;
    }
    return text::FoldCase(pattern);
}

std::optional<std::uint32_t> MinutesValue(const std::string& value) {
    if (value.empty() || value.size() > 10) return std::nullopt;
    std::uint64_t minutes = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') return std::nullopt;
        minutes = minutes * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (minutes > kMaxIdleMinutes) return std::nullopt;
    return static_cast<std::uint32_t>(minutes);
}

OptionLine Malformed(std::string problem) {
    OptionLine line;
    line.kind = OptionLine::Kind::Malformed;
    line.problem = std::move(problem);
    return line;
}

bool IsAll(const std::u16string& server) { return text::EqualsIgnoreCase(server, u"all"); }

// Names in order, each once whatever its letter case.
void AddOnce(std::vector<std::u16string>& names, const std::u16string& name) {
    for (const auto& have : names)
        if (text::EqualsIgnoreCase(have, name)) return;
    names.push_back(name);
}

// One server's rows, logged on with its own account only; a refused logon
// says what it was made with.
ServerAnswer ListWithAccount(const ListQuery& query, const std::u16string& server,
                             std::map<std::string, logon::Account>& accounts) {
    std::optional<logon::Account> mine;
    const std::string key = LogonKeyOf(server);
    if (NamedServer(server))
        if (const auto it = accounts.find(key); it != accounts.end()) mine = it->second;
    // The other servers' passwords are not this process's business.
    for (auto& [other, account] : accounts) logon::Wipe(account.password);
    if (mine) logon::SetLookup(std::make_shared<logon::OneAccount>(key, *mine));
    ServerAnswer answer = ListOneServer(query, server);
    if (!answer.failures.empty())
        if (const std::string tried = RefusedLogon(server); !tried.empty())
            answer.failures.push_back("logged on with " + tried + "; the server refused it");
    logon::SetLookup(nullptr);
    return answer;
}

}  // namespace

bool IsOptionCommandLine(int argc, const char* const* argv) {
    if (argc < 2) return false;
    const std::string_view first = argv[1];
    return first.starts_with("--") || first == "-h";
}

std::optional<std::string> SplitOptionValue(std::string& option) {
    const auto equals = option.find('=');
    if (!option.starts_with("--") || equals == std::string::npos) return std::nullopt;
    std::string value = option.substr(equals + 1);
    option.resize(equals);
    return value;
}

OptionLine ParseOptionLine(int argc, const char* const* argv) {
    OptionLine line;
    line.kind = OptionLine::Kind::List;
    ListRequest& request = line.request;
    bool haveKind = false;
    bool haveMatch = false;
    bool close = false, disconnect = false;
    std::optional<std::string> client;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        std::optional<std::string> value = SplitOptionValue(option);
        if (option == "--help" || option == "-h") {
            if (value) return Malformed(option + " takes no value");
            line.kind = OptionLine::Kind::Help;
            continue;
        }
        if (option == "--close" || option == "--disconnect") {
            if (value) return Malformed(option + " takes no value");
            bool& flag = option == "--close" ? close : disconnect;
            if (flag) return Malformed(option + " is given twice");
            flag = true;
            continue;
        }
        if (option != "--list" && option != "--server" && option != "--match" &&
            option != "--format" && option != "--share" && option != "--client" &&
            option != "--user" && option != "--idle")
            return Malformed("unknown option \"" + std::string(argv[i]) + "\"");
        if (!value) {
            if (i + 1 >= argc) return Malformed(option + " needs a value");
            value = argv[++i];
        }
        if (value->empty()) return Malformed(option + " needs a value");
        if (option == "--list") {
            if (haveKind) return Malformed("--list is given twice");
            const auto kind = KindNamed(*value);
            if (!kind) return Malformed("--list takes files, sessions, shares or connections");
            request.query.kind = *kind;
            haveKind = true;
        } else if (option == "--server") {
            const std::u16string server = text::FromUtf8(*value);
            if (text::TrimSpaces(server).empty()) return Malformed("--server needs a computer name");
            request.servers.push_back(server);
        } else if (option == "--match") {
            if (haveMatch) return Malformed("--match is given twice");
            std::string problem;
            request.query.match = PatternValue(option, *value, problem);
            if (!request.query.match) return Malformed(problem);
            haveMatch = true;
        } else if (option == "--user") {
            if (request.query.userMatch) return Malformed("--user is given twice");
            std::string problem;
            request.query.userMatch = PatternValue(option, *value, problem);
            if (!request.query.userMatch) return Malformed(problem);
        } else if (option == "--idle") {
            if (request.query.idleMinutes) return Malformed("--idle is given twice");
            request.query.idleMinutes = MinutesValue(*value);
            if (!request.query.idleMinutes)
                return Malformed("--idle takes whole minutes from 0 to " +
                                 std::to_string(kMaxIdleMinutes));
        } else if (option == "--format") {
            if (request.format) return Malformed("--format is given twice");
            request.format = FormatNamed(*value);
            if (!request.format) return Malformed("--format takes table, csv or json");
        } else if (option == "--share") {
            if (!request.query.share.empty()) return Malformed("--share is given twice");
            request.query.share = text::FromUtf8(*value);
        } else {
            if (client) return Malformed("--client is given twice");
            client = *value;
        }
    }
    if (line.kind == OptionLine::Kind::Help) return line;
    if (!haveKind) return Malformed("--list is missing");
    if (request.servers.empty()) return Malformed("--server is missing");
    ListQuery& query = request.query;
    const ListKind kind = query.kind;
    // For connections the client is a computer to ask about; for sessions a
    // pattern. Servers do not say which computer opened a file.
    if (client && kind == ListKind::Files)
        return Malformed("--client is not known for open files (servers do not say which "
                         "computer opened a file); use --list sessions, or --user");
    if (client && kind == ListKind::Sessions) {
        std::string problem;
        query.clientMatch = PatternValue("--client", *client, problem);
        if (!query.clientMatch) return Malformed(problem);
    } else if (client) {
        query.client = text::FromUtf8(*client);
    }
    if (query.userMatch && kind != ListKind::Files && kind != ListKind::Sessions)
        return Malformed("--user belongs to --list files or sessions");
    if (query.idleMinutes && kind != ListKind::Sessions)
        return Malformed("--idle belongs to --list sessions");
    if (close && kind != ListKind::Files) return Malformed("--close belongs to --list files");
    if (disconnect && kind != ListKind::Sessions)
        return Malformed("--disconnect belongs to --list sessions");
    query.act = close || disconnect;
    const bool qualified = !request.query.share.empty() || !request.query.client.empty();
    if (request.query.kind == ListKind::Connections) {
        if (!qualified) return Malformed("connections need --share NAME or --client NAME");
        if (!request.query.share.empty() && !request.query.client.empty())
            return Malformed("connections take --share or --client, not both");
    } else if (qualified) {
        return Malformed("--share and --client belong to --list connections");
    }
    return line;
}

std::string UsageLine() {
    return "usage: vantor SERVER,PATTERN,c | vantor --list files|sessions|shares|connections "
           "--server NAME [--server NAME...] [--match PATTERN] [--format table|csv|json] "
           "[--user PATTERN] [--client PATTERN] [--idle MINUTES] [--close | --disconnect] "
           "[--share NAME | --client NAME] | vantor --share add|set|remove ... | "
           "vantor --list permissions ... | vantor --help";
}

std::string HelpText(std::string_view moreCommands) {
    return R"(usage:
  vantor [/p]
      Start the window.
  vantor SERVER,PATTERN,c
      Close every open file on SERVER whose path matches PATTERN.
  vantor --list files|sessions|shares|connections --server NAME [--server NAME...]
         [--match PATTERN] [--format table|csv|json] [--share NAME | --client NAME]
         [--user PATTERN] [--client PATTERN] [--idle MINUTES]
         [--close | --disconnect]
      List open files, sessions, shares or the connections to a share (--share)
      or from a client computer (--client) of every server named, asked in
      parallel; "--server all" means every configured and discovered server.
      --match keeps the rows whose path (files), user (sessions, connections)
      or share name (shares) matches PATTERN, ignoring case.
      Files and sessions: --user keeps the rows whose user matches PATTERN;
      sessions: --client keeps those whose client computer matches PATTERN,
      --idle those idle for at least MINUTES minutes.
      --close (files) closes every file listed, --disconnect (sessions) ends
      every session listed; an "outcome" column says what became of each row:
      closed / disconnected, "no longer open" / "no longer connected" (nothing
      was done: the file's id now names another file, or the session ended),
      or failed (the reason on standard error). A file is closed only after
      its server confirms the id still names the same path and user. A session
      is not ended when the same user has an unlisted session from the same
      computer (the server would end both).
      --format: "table" (aligned columns), "csv" (RFC 4180, UTF-8) or "json"
      (an array of objects keyed by column). Without it: a table on a terminal,
      CSV otherwise. The first column is always "server".
)" + std::string(moreCommands) + R"(  vantor --help
      This text.

Patterns: * any run of characters, ? any one character, # one digit,
[abc] or [a-z] one character of the list, [!abc] one character not in it;
the pattern covers the whole text.

Exit status: 0 success; 1 a server could not be listed or listed only part
(or a file could not be closed, a session not ended, a share command
failed): one line per failure on standard error, the other servers are
still listed; 2 the command line is malformed (nothing was asked or
changed).

Environment: VANTOR_NETWORK (smb, demo or a scenario file),
VANTOR_SMB_SERVERS, VANTOR_SMB_AUTHFILE, KRB5CCNAME.
)";
}

int RunListMode(const ListRequest& request, const std::vector<std::u16string>& configured,
                OutputKind output, std::ostream& out, std::ostream& err, const KnownAccount& known) {
    std::vector<std::string> failures;
    // The servers the administrator named: those given and, with "all", the
    // configured ones. Only they may get a password.
    std::vector<std::u16string> named;
    bool all = false;
    for (const auto& server : request.servers) {
        if (IsAll(server)) all = true;
        else AddOnce(named, server);
    }
    NameTypedServers(named);
    if (all)
        for (const auto& name : configured) AddOnce(named, name);

    // Their accounts are read here: the keyring answers this process, and
    // only before any child starts.
    std::map<std::string, logon::Account> accounts;
    if (known) {
        for (const auto& server : named) {
            if (!NamedServer(server)) continue;
            const std::string key = LogonKeyOf(server);
            if (accounts.count(key) != 0) continue;
            if (std::optional<logon::Account> account = known(key)) accounts.emplace(key, std::move(*account));
        }
    }

    std::vector<std::u16string> servers;
    for (const auto& server : request.servers) {
        if (!IsAll(server)) {
            AddOnce(servers, server);
            continue;
        }
        for (const auto& name : configured) AddOnce(servers, name);
        // The network's own list is read in a child as well: the parent opens
        // no connection that its listing children would inherit.
        const auto found = AskEachServer(
            {server}, [](const std::u16string&) { return ListServerNames(); }, 1, true);
        for (const auto& line : found[0].failures) failures.push_back("all: " + line);
        found[0].ForEachCell([&](std::string_view name) { AddOnce(servers, text::FromUtf8(name)); });
    }

    // Nothing to ask is said, not an empty list that looks like success.
    if (servers.empty()) {
        for (const auto& line : failures) err << "vantor: " << listformat::EscapeControls(line) << '\n';
        err << "vantor: there are no computers to list\n";
        err.flush();
        return kExitFailed;
    }

    const ListQuery query = request.query;
    const auto answers = AskEachServer(
        servers,
        [&query, &accounts](const std::u16string& server) { return ListWithAccount(query, server, accounts); },
        kServersAtOnce);
    for (auto& [key, account] : accounts) logon::Wipe(account.password);

    // The rows are views into the answers; only the server names are new text.
    listformat::Table table(ListColumns(request.query.kind, request.query.act));
    const std::size_t perRow = table.columns.size() - 1;
    std::size_t cells = 0;
    for (const auto& answer : answers) cells += answer.cellCount;
    table.Reserve(cells / perRow);
    std::vector<std::string> names;
    names.reserve(servers.size());
    for (std::size_t i = 0; i < servers.size(); ++i) {
        const std::string& name = names.emplace_back(text::ToUtf8(servers[i]));
        for (const auto& line : answers[i].failures) failures.push_back(name + ": " + line);
        if (answers[i].cellCount % perRow != 0) {
            failures.push_back(name + ": the listing process gave an unreadable answer");
            continue;
        }
        std::size_t column = 0;
        answers[i].ForEachCell([&](std::string_view cell) {
            if (column++ % perRow == 0) table.AddViewedCell(name);
            table.AddViewedCell(cell);
        });
    }

    errno = 0;  // what a failed write leaves is the reason given
    const ListFormat format = request.format.value_or(
        output == OutputKind::Terminal ? ListFormat::Table : ListFormat::Csv);
    switch (format) {
        case ListFormat::Table: out << listformat::ToTextTable(table); break;
        case ListFormat::Csv: out << listformat::ToCsv(table, output == OutputKind::File); break;
        case ListFormat::Json: out << listformat::ToJson(table); break;
    }
    out.flush();
    // A list that never arrived is no success (a full disk, a closed pipe).
    if (!out.good())
        failures.push_back(std::string("the list could not be written to standard output") +
                           (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()));
    for (const auto& line : failures) err << "vantor: " << listformat::EscapeControls(line) << '\n';
    err.flush();
    return failures.empty() ? kExitOk : kExitFailed;
}

}  // namespace app
