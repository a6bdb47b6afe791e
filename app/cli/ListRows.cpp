#include "ListRows.h"

#include <map>
#include <set>
#include <utility>

#include "app/NetworkChoice.h"
#include "netenum/CheckedClose.h"
#include "netenum/MessageTarget.h"
#include "netenum/NetCalls.h"
#include "netenum/colConnectionEnum.h"
#include "netenum/colFileEnum.h"
#include "netenum/colSessionEnum.h"
#include "netenum/colShareEnum.h"
#include "netenum/modAPI_Error.h"
#include "netenum/netapi.h"
#include "pattern/PatternMatch.h"
#include "search/CollectingSink.h"
#include "text/Text.h"

namespace app {
namespace {

using search::CollectingSink;

std::string Number(std::int64_t value) { return std::to_string(value); }
// What a lower information level does not carry is an empty cell, not 0.
std::string Number(std::optional<std::int32_t> value) {
    return value ? std::to_string(*value) : std::string();
}

// The access bits as words, the way an administrator reads them.
std::string AccessText(std::int32_t permissions) {
    static constexpr std::pair<std::int32_t, const char*> kWords[] = {
        {1, "Read"}, {2, "Write"}, {4, "Create"}, {8, "Execute"}};
    std::string words;
    for (const auto& [bit, word] : kWords) {
        if ((permissions & bit) == 0) continue;
        if (!words.empty()) words += '+';
        words += word;
    }
    return words.empty() ? "Unknown" : words;
}

std::string ShareTypeText(std::int32_t type) {
    const auto bits = static_cast<std::uint32_t>(type);
    std::string text;
    switch (bits & 0xFFu) {
        case 0: text = "Disk"; break;
        case 1: text = "Print"; break;
        case 2: text = "Device"; break;
        case 3: text = "IPC"; break;
        default: text = Number(bits & 0xFFu);
    }
    if (bits & 0x80000000u) text += " special";
    if (bits & 0x40000000u) text += " temporary";
    return text;
}

class Matcher {
public:
    explicit Matcher(const std::optional<std::u16string>& pattern) {
        if (pattern) mPattern.emplace(*pattern);
    }
    bool operator()(const std::u16string& value) const {
        return !mPattern || mPattern->Matches(text::FoldCase(value));
    }

private:
    std::optional<pattern::Pattern> mPattern;
};

// Closes one listed file only while its id still names it. A file gone
// meanwhile is no failure: what was asked for is done.
std::string_view CloseRow(const netenum::clsFileEnum& f, const std::u16string& server,
                          netenum::MessageSink& sink) {
    const auto result = netapi::CloseFileIfStillSame(
        server.c_str(), static_cast<netapi::DWORD>(f.ID()), f.PathName(), f.UserName());
    switch (result.outcome) {
        case netapi::CheckedClose::Closed: return "closed";
        case netapi::CheckedClose::NoLongerOpen: return "no longer open";
        case netapi::CheckedClose::Failed: break;
    }
    sink.AppendLine(u"Error closing file " + f.PathName() + u" : " +
                    netenum::GetErrorText(result.status) + std::u16string(netenum::kCrLf) +
                    netenum::TimeoutWords(server, result.status));
    return "failed";
}

using SessionKey = std::pair<std::u16string, std::u16string>;  // folded client, user
SessionKey KeyOf(const netenum::clsSessionEnum& s) {
    return {text::FoldCase(s.ComputerName()), text::FoldCase(s.UserName())};
}

// Ends the sessions of one listed row's user from its client. The server
// ends every session of that pair at once, so a pair that also has a session
// that was not listed (not idle long enough, say) is left alone.
std::string_view DisconnectRow(const netenum::clsSessionEnum& s, const std::u16string& server,
                               const std::set<SessionKey>& unlisted,
                               std::map<SessionKey, std::string_view>& done,
                               netenum::MessageSink& sink) {
    const SessionKey key = KeyOf(s);
    if (const auto it = done.find(key); it != done.end()) return it->second;
    std::string_view outcome = "disconnected";
    if (unlisted.contains(key)) {
        sink.AppendLine(u"Session of " + s.UserName() + u" from " + s.ComputerName() +
                        u" not ended: the same user has a session from there that was not listed");
        outcome = "failed";
    } else {
        const std::u16string client = text::UncName(s.ComputerName());
        const auto status = netapi::NetSessionDel(server.c_str(), client.c_str(), s.UserName().c_str());
        if (status == netapi::NERR_ClientNameNotFound || status == netapi::NERR_UserNotFound) {
            outcome = "no longer connected";
        } else if (status != netapi::NERR_Success) {
            sink.AppendLine(netenum::FailureLine(u"NetSessionDel", status) +
                            netenum::TimeoutWords(server, status));
            outcome = "failed";
        }
    }
    done.emplace(key, outcome);
    return outcome;
}

}  // namespace

std::vector<listformat::Column> ListColumns(ListKind kind, bool act) {
    std::vector<listformat::Column> columns;
    switch (kind) {
        case ListKind::Files:
            columns = {{"server"}, {"id", true}, {"user"}, {"access"}, {"locks", true}, {"path"}};
            break;
        case ListKind::Sessions:
            columns = {{"server"}, {"user"},  {"client"}, {"opens", true},
                       {"time"},   {"idle"},  {"guest"},  {"transport"}};
            break;
        case ListKind::Shares:
            columns = {{"server"}, {"share"}, {"type"}, {"uses", true},
                       {"max_uses", true}, {"path"}, {"remark"}};
            break;
        case ListKind::Connections:
            columns = {{"server"},       {"share"},        {"client"}, {"user"},
                       {"opens", true}, {"users", true}, {"time"}};
            break;
    }
    if (act) columns.push_back({"outcome"});
    return columns;
}

ServerAnswer ListOneServer(const ListQuery& query, const std::u16string& server) {
    ServerAnswer answer;
    CollectingSink sink(answer.failures);
    netenum::ScopedMessageTarget target(&sink);
    const Matcher matches(query.match);
    const Matcher users(query.userMatch);
    const Matcher clients(query.clientMatch);
    ServerAnswer& a = answer;

    switch (query.kind) {
        case ListKind::Files: {
            netenum::colFileEnum files;
            files.Init(server);
            // Part of a list is listed, and said: files may be missing from it.
            if (files.Incomplete())
                sink.AppendLine(netenum::IncompleteListLine(files.Count(), files.TotalEntries(), u"files"));
            a.cells.reserve(files.Count() * 96);  // about what a file's row takes
            for (const auto& f : files) {
                if (!matches(f.PathName()) || !users(f.UserName())) continue;
                // The id goes back to the server bit for bit: unsigned, as it came.
                a.Add(Number(static_cast<std::uint32_t>(f.ID())));
                a.Add(f.UserName());
                a.Add(AccessText(f.Permissions()));
                a.Add(Number(f.NumberLocks()));
                a.Add(f.PathName());
                if (query.act) a.Add(CloseRow(f, server, sink));
            }
            break;
        }
        case ListKind::Sessions: {
            netenum::colSessionEnum sessions;
            sessions.Init(server);
            if (sessions.Incomplete())
                sink.AppendLine(
                    netenum::IncompleteListLine(sessions.Count(), sessions.TotalEntries(), u"sessions"));
            const auto listed = [&](const netenum::clsSessionEnum& s) {
                const auto idle = static_cast<std::uint32_t>(s.IdleTime());
                return matches(s.UserName()) && users(s.UserName()) && clients(s.ComputerName()) &&
                       (!query.idleMinutes || idle / 60 >= *query.idleMinutes);
            };
            std::set<SessionKey> unlisted;
            if (query.act)
                for (const auto& s : sessions)
                    if (!listed(s)) unlisted.insert(KeyOf(s));
            std::map<SessionKey, std::string_view> done;
            for (const auto& s : sessions) {
                if (!listed(s)) continue;
                a.Add(s.UserName());
                a.Add(s.ComputerName());
                a.Add(Number(s.NumOpens()));
                a.Add(s.ActiveTimeFormatted());
                a.Add(s.IdleTimeFormatted());
                a.Add(std::string_view(!s.UserFlags() ? "" : *s.UserFlags() == 1 ? "Yes" : "No"));
                a.Add(s.Transport());
                if (query.act) a.Add(DisconnectRow(s, server, unlisted, done, sink));
            }
            break;
        }
        case ListKind::Shares: {
            netenum::colShareEnum shares;
            shares.Init(server);
            for (const auto& s : shares) {
                if (!matches(s.ShareName())) continue;
                a.Add(s.ShareName());
                a.Add(ShareTypeText(s.ShareType()));
                a.Add(Number(s.NumCurrConnections()));
                a.Add(Number(s.NumMaxConnections()));
                a.Add(s.Path());
                a.Add(s.Remarks());
            }
            break;
        }
        case ListKind::Connections: {
            const bool byShare = !query.share.empty();
            netenum::colConnectionEnum connections;
            // A client given as Windows lists it ("\\\\10.0.0.5") keeps one pair.
            connections.Init(byShare ? query.share : text::UncName(query.client), server);
            for (const auto& c : connections) {
                if (!matches(c.UserName())) continue;
                // With a share the net name is the client; with a client, the share.
                a.Add(byShare ? std::u16string_view(query.share) : c.NetName());
                a.Add(byShare ? c.NetName() : std::u16string_view(query.client));
                a.Add(c.UserName());
                a.Add(Number(c.NumOpens()));
                a.Add(Number(c.NumUsers()));
                a.Add(c.ConnectTimeFormatted());
            }
            break;
        }
    }
    return answer;
}

ServerAnswer ListServerNames() {
    ServerAnswer answer;
    // The configured servers are listed by the caller whatever they answer;
    // the network is asked only for the others (in this child alone).
    SetKnownServers(u"");
    CollectingSink sink(answer.failures);
    netenum::ScopedMessageTarget target(&sink);
    for (const auto& name : netenum::ServerNames(netapi::SV_TYPE_ALL)) answer.Add(name);
    return answer;
}

}  // namespace app
