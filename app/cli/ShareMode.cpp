#include "ShareMode.h"

#include <charconv>
#include <map>
#include <string_view>

#include "netenum/ShareNames.h"
#include "text/Text.h"

namespace app {
namespace {

using netapi::PermissionChange;

std::string Quoted(std::u16string_view s) { return "\"" + text::ToUtf8(text::EscapeControls(s)) + "\""; }

std::optional<ShareCommand::Action> ActionNamed(std::string_view name) {
    if (name == "add") return ShareCommand::Action::Add;
    if (name == "set") return ShareCommand::Action::Set;
    if (name == "remove") return ShareCommand::Action::Remove;
    return std::nullopt;
}

// "1".."16777216" or "unlimited".
std::optional<netapi::DWORD> UserLimit(std::string_view value) {
    if (value == "unlimited") return netapi::SHI_USES_UNLIMITED;
    std::uint64_t n = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (ec != std::errc() || end != value.data() + value.size() || n == 0 || n > netapi::kMaxUserLimit)
        return std::nullopt;
    return static_cast<netapi::DWORD>(n);
}

// "ACCOUNT:full|change|read"; the right follows the last colon.
std::optional<PermissionChange> AccessEntry(PermissionChange::Kind kind, const std::string& value,
                                            std::string& problem, const std::string& option) {
    const auto colon = value.rfind(':');
    const std::string right = colon == std::string::npos ? "" : value.substr(colon + 1);
    const auto named = netapi::RightNamed(right);
    if (colon == std::string::npos || colon == 0 || !named) {
        problem = option + " takes ACCOUNT:full, ACCOUNT:change or ACCOUNT:read, not " +
                  Quoted(text::FromUtf8(value));
        return std::nullopt;
    }
    return PermissionChange{kind, text::FromUtf8(value.substr(0, colon)), *named, {}};
}

// Options that take a value; --remark alone may take an empty one (no description).
constexpr std::string_view kValued[] = {"--share", "--list",  "--server", "--name",  "--path", "--remark",
                                        "--max-uses", "--grant", "--deny", "--revoke", "--format"};

bool Valued(std::string_view option) {
    for (const auto known : kValued)
        if (option == known) return true;
    return false;
}

}  // namespace

bool IsShareCommandLine(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        std::string_view value;
        if (a.starts_with("--share=")) value = a.substr(8);
        else if (a.starts_with("--list=")) value = a.substr(7);
        else if ((a == "--share" || a == "--list") && i + 1 < argc) value = argv[i + 1];
        else continue;
        if (a.starts_with("--list")) return value == "permissions";
        if (ActionNamed(value)) {
            // "--list connections --share add" names a share called "add".
            for (int j = 1; j < argc; ++j)
                if (std::string_view(argv[j]).starts_with("--list")) return false;
            return true;
        }
    }
    return false;
}

std::optional<ShareCommand> ParseShareCommand(int argc, const char* const* argv, std::string& problem) {
    ShareCommand c;
    std::map<std::string, std::string> once;  // options given at most once
    bool listing = false;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        std::optional<std::string> value = SplitOptionValue(option);
        if (!Valued(option)) {
            problem = "unknown option " + Quoted(text::FromUtf8(argv[i]));
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= argc) {
                problem = option + " needs a value";
                return std::nullopt;
            }
            value = argv[++i];
        }
        if (value->empty() && option != "--remark") {
            problem = option + " needs a value";
            return std::nullopt;
        }
        const auto kind = option == "--grant"  ? PermissionChange::Kind::Grant
                          : option == "--deny" ? PermissionChange::Kind::Deny
                                               : PermissionChange::Kind::Revoke;
        if (option == "--grant" || option == "--deny") {
            auto entry = AccessEntry(kind, *value, problem, option);
            if (!entry) return std::nullopt;
            c.changes.push_back(std::move(*entry));
            continue;
        }
        if (option == "--revoke") {
            c.changes.push_back({kind, text::FromUtf8(*value), netapi::ShareRight::Read, {}});
            continue;
        }
        if (!once.emplace(option, *value).second) {
            problem = option + " is given twice";
            return std::nullopt;
        }
    }
    auto take = [&](const char* option) -> std::optional<std::string> {
        const auto it = once.find(option);
        if (it == once.end()) return std::nullopt;
        std::string v = it->second;
        once.erase(it);
        return v;
    };
    if (const auto list = take("--list")) {
        listing = *list == "permissions";
        if (!listing) {
            problem = "--list " + *list + " is not a share command";
            return std::nullopt;
        }
        c.action = ShareCommand::Action::ListPermissions;
        const auto share = take("--share");
        if (!share) {
            problem = "--list permissions needs --share NAME";
            return std::nullopt;
        }
        c.name = text::FromUtf8(*share);
        if (const auto format = take("--format")) {
            c.format = *format == "table" ? std::optional(ListFormat::Table)
                       : *format == "csv" ? std::optional(ListFormat::Csv)
                       : *format == "json" ? std::optional(ListFormat::Json)
                                           : std::nullopt;
            if (!c.format) {
                problem = "--format takes table, csv or json";
                return std::nullopt;
            }
        }
    } else {
        const auto action = ActionNamed(take("--share").value_or(""));
        if (!action) {
            problem = "--share takes add, set or remove";
            return std::nullopt;
        }
        c.action = *action;
        c.name = text::FromUtf8(take("--name").value_or(""));
        if (c.name.empty()) {
            problem = "--name is missing";
            return std::nullopt;
        }
    }
    const auto server = take("--server");
    if (!server) {
        problem = "--server is missing";
        return std::nullopt;
    }
    c.server = text::FromUtf8(*server);
    if (text::EqualsIgnoreCase(c.server, u"all")) {
        problem = "share commands take one server, not \"all\"";
        return std::nullopt;
    }
    if (c.action == ShareCommand::Action::Remove &&
        c.name.find_first_of(u"*?") != std::u16string::npos) {
        problem = "--share remove takes one share's exact name, never a pattern";
        return std::nullopt;
    }
    if (const auto why = netapi::ShareNameProblem(c.name)) {
        problem = "share " + Quoted(c.name) + ": " + *why;
        return std::nullopt;
    }
    const bool changes = c.action == ShareCommand::Action::Add || c.action == ShareCommand::Action::Set;
    if (const auto path = take("--path")) {
        if (c.action != ShareCommand::Action::Add) {
            problem = "--path belongs to --share add (a share is not moved)";
            return std::nullopt;
        }
        c.path = text::FromUtf8(*path);
    }
    if (c.action == ShareCommand::Action::Add) {
        if (c.path.empty()) {
            problem = "--path is missing";
            return std::nullopt;
        }
        if (!netapi::IsAbsoluteServerPath(c.path)) {
            problem = "the path " + Quoted(c.path) +
                      " is not absolute; write it as the server does, e.g. D:\\Shares\\Projects or /srv/projects";
            return std::nullopt;
        }
    }
    if (const auto remark = take("--remark")) c.remark = text::FromUtf8(*remark);
    if (const auto limit = take("--max-uses")) {
        c.maxUses = UserLimit(*limit);
        if (!c.maxUses) {
            problem = "--max-uses takes a number from 1 to " + std::to_string(netapi::kMaxUserLimit) +
                      " or \"unlimited\", not " + Quoted(text::FromUtf8(*limit));
            return std::nullopt;
        }
    }
    if (!once.empty()) {
        problem = once.begin()->first + " does not belong to this command";
        return std::nullopt;
    }
    if ((!changes && (c.remark || c.maxUses || !c.changes.empty()))) {
        problem = "--remark, --max-uses, --grant, --deny and --revoke belong to --share add and set";
        return std::nullopt;
    }
    for (const auto& change : c.changes) {
        if (change.kind == PermissionChange::Kind::Revoke && c.action != ShareCommand::Action::Set) {
            problem = "--revoke belongs to --share set";
            return std::nullopt;
        }
    }
    if (c.action == ShareCommand::Action::Set && !c.remark && !c.maxUses && c.changes.empty()) {
        problem = "--share set needs --remark, --max-uses, --grant, --deny or --revoke";
        return std::nullopt;
    }
    if (const auto contradiction = netapi::ContradictionIn(c.changes, false)) {
        problem = *contradiction;
        return std::nullopt;
    }
    return c;
}

std::string ShareHelpText() {
    return R"(  vantor --share add --server NAME --name SHARE --path PATH [--remark TEXT]
         [--max-uses N|unlimited] [--grant ACCOUNT:RIGHT]... [--deny ACCOUNT:RIGHT]...
      Share PATH (as the server writes it: D:\Shares\Projects, /srv/projects)
      as SHARE. Without --grant or --deny the server's default permissions apply.
      RIGHT is full, change or read; ACCOUNT a name the server knows
      (alice, OFFICE\Sales, Everyone) or a SID (S-1-5-21-...).
  vantor --share set --server NAME --name SHARE [--remark TEXT] [--max-uses N|unlimited]
         [--grant ACCOUNT:RIGHT]... [--deny ACCOUNT:RIGHT]... [--revoke ACCOUNT]...
      Change a share. --grant and --deny make that the account's permission
      (its other Full/Change/Read entries go); --revoke removes every entry of
      the account. Only what differs is written, permissions as one whole list.
  vantor --share remove --server NAME --name SHARE
      Stop sharing SHARE (one exact name, never a pattern).
  vantor --list permissions --server NAME --share SHARE [--format table|csv|json]
      Who may use SHARE: server, share, account, sid, type (allow/deny) and
      access (full/change/read/special).
)";
}

}  // namespace app
