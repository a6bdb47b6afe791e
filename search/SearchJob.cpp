#include "SearchJob.h"

#include <algorithm>
#include <map>
#include <unordered_set>

#include "CollectingSink.h"
#include "Wire.h"
#include "netenum/CheckedClose.h"
#include "netenum/MessageTarget.h"
#include "netenum/colFileEnum.h"
#include "netenum/colSessionEnum.h"
#include "netenum/modAPI_Error.h"
#include "netenum/netapi.h"
#include "pattern/PatternMatch.h"
#include "text/Text.h"

namespace search {
namespace {

using text::FromUtf8;
using text::ToUtf8;

// A typed pattern; an empty one matches everything.
class Matcher {
public:
    explicit Matcher(const std::u16string& typed) {
        if (!typed.empty()) mPattern.emplace(text::FoldCase(typed));
    }
    bool Any() const { return !mPattern; }
    bool operator()(std::u16string_view value) const {
        return !mPattern || mPattern->Matches(text::FoldCase(value));
    }

private:
    std::optional<pattern::Pattern> mPattern;
};

std::string Number(std::optional<std::int32_t> value) {
    return value ? std::to_string(*value) : std::string();
}

// "list cut at N rows" once a computer has given as many as a job takes.
std::string CutLine(std::uint32_t cap, std::string_view things) {
    return "list cut at " + std::to_string(cap) + " " + std::string(things) +
           "; narrow the search to see the rest";
}

void ListFiles(const Job& job, ServerAnswer& answer, CollectingSink& sink) {
    netenum::colFileEnum files;
    files.Init(job.computer);
    if (files.Incomplete())
        sink.AppendLine(netenum::IncompleteListLine(files.Count(), files.TotalEntries(), u"files"));
    const Matcher path(job.filters.path);
    const Matcher user(job.filters.user);
    const Matcher client(job.filters.client);
    // Level 3 does not say where a file was opened from: a file goes with the
    // client pattern when its user has a session from a matching client.
    std::unordered_set<std::u16string> usersFromClient;
    if (!client.Any()) {
        netenum::colSessionEnum sessions;
        sessions.Init(job.computer);
        for (const auto& s : sessions)
            if (client(s.ComputerName())) usersFromClient.insert(text::FoldCase(s.UserName()));
    }
    std::uint32_t rows = 0;
    for (const auto& f : files) {
        if (!path(f.PathName()) || !user(f.UserName())) continue;
        if (!client.Any() && usersFromClient.count(text::FoldCase(f.UserName())) == 0) continue;
        if (rows == job.rowCap) {
            sink.AppendLine(FromUtf8(CutLine(job.rowCap, "files")));
            break;
        }
        ++rows;
        answer.Add(std::to_string(static_cast<std::uint32_t>(f.ID())));
        answer.Add(f.UserName());
        answer.Add(std::to_string(static_cast<std::uint32_t>(f.Permissions())));
        answer.Add(std::to_string(static_cast<std::uint32_t>(f.NumberLocks())));
        answer.Add(f.PathName());
    }
}

void ListSessions(const Job& job, ServerAnswer& answer, CollectingSink& sink) {
    netenum::colSessionEnum sessions;
    sessions.Init(job.computer);
    if (sessions.Incomplete())
        sink.AppendLine(
            netenum::IncompleteListLine(sessions.Count(), sessions.TotalEntries(), u"sessions"));
    const Matcher user(job.filters.user);
    const Matcher client(job.filters.client);
    const std::uint64_t idleSeconds = std::uint64_t{job.filters.idleMinutes} * 60;
    std::uint32_t rows = 0;
    for (const auto& s : sessions) {
        if (!user(s.UserName()) || !client(s.ComputerName())) continue;
        if (static_cast<std::uint32_t>(s.IdleTime()) < idleSeconds) continue;
        if (rows == job.rowCap) {
            sink.AppendLine(FromUtf8(CutLine(job.rowCap, "sessions")));
            break;
        }
        ++rows;
        const auto flags = s.UserFlags();
        answer.Add(s.UserName());
        answer.Add(s.ComputerName());
        answer.Add(Number(s.NumOpens()));
        answer.Add(s.ActiveTimeFormatted());
        answer.Add(s.IdleTimeFormatted());
        // Guest only for exactly SESS_GUEST, as User Sessions shows it.
        answer.Add(!flags ? std::string_view()
                   : static_cast<netapi::DWORD>(*flags) == netapi::SESS_GUEST ? std::string_view("Yes")
                                                                               : std::string_view("No"));
    }
}

std::string FailureText(std::u16string_view call, netapi::NET_API_STATUS status,
                        const std::u16string& computer) {
    return ToUtf8(text::JoinLineParts(netenum::FailureLine(call, status) +
                                      netenum::TimeoutWords(computer, status)));
}

void CloseFiles(const Job& job, ServerAnswer& answer) {
    for (const FileTarget& file : job.files) {
        const auto result =
            netapi::CloseFileIfStillSame(job.computer.c_str(), file.id, file.path, file.user);
        switch (result.outcome) {
            case netapi::CheckedClose::Closed:
                answer.Add(kDone);
                answer.Add(std::string_view());
                break;
            case netapi::CheckedClose::NoLongerOpen:
                answer.Add(kNoLongerOpen);
                answer.Add(std::string_view());
                break;
            case netapi::CheckedClose::Failed:
                answer.Add(kFailed);
                answer.Add(FailureText(u"NetFileClose", result.status, job.computer));
                break;
        }
    }
}

// A session as the server pairs it: its client (without leading backslashes)
// and its user, letter case ignored.
using SessionPair = std::pair<std::u16string, std::u16string>;
SessionPair PairOf(std::u16string_view client, std::u16string_view user) {
    while (!client.empty() && client.front() == u'\\') client.remove_prefix(1);
    return {text::FoldCase(client), text::FoldCase(user)};
}

// The server ends every session of a user from one client at once, so a
// pair that has more sessions there now than were chosen is left alone.
void Disconnect(const Job& job, ServerAnswer& answer) {
    std::map<SessionPair, std::size_t> chosen, present;
    for (const SessionTarget& session : job.sessions) ++chosen[PairOf(session.client, session.user)];
    netenum::colSessionEnum now;
    now.Init(job.computer);
    const bool counted = now.Answered() && !now.Incomplete();
    for (const auto& s : now) ++present[PairOf(s.ComputerName(), s.UserName())];
    std::map<SessionPair, std::pair<std::string_view, std::string>> done;
    for (const SessionTarget& session : job.sessions) {
        const SessionPair pair = PairOf(session.client, session.user);
        auto it = done.find(pair);
        if (it == done.end()) {
            std::pair<std::string_view, std::string> outcome{kDone, {}};
            if (!counted) {
                outcome = {kFailed, ToUtf8(u"Session of " + session.user + u" from " + session.client +
                                           u" not ended: the server's sessions could not be read to check it")};
            } else if (present[pair] > chosen[pair]) {
                outcome = {kFailed, ToUtf8(u"Session of " + session.user + u" from " + session.client +
                                           u" not ended: the same user has a session from there that was not chosen")};
            } else {
                const std::u16string client = text::UncName(session.client);
                const auto status =
                    netapi::NetSessionDel(job.computer.c_str(), client.c_str(), session.user.c_str());
                if (status == netapi::NERR_ClientNameNotFound || status == netapi::NERR_UserNotFound)
                    outcome = {kNoLongerOpen, {}};
                else if (status != netapi::NERR_Success)
                    outcome = {kFailed, FailureText(u"NetSessionDel", status, job.computer)};
            }
            it = done.emplace(pair, std::move(outcome)).first;
        }
        answer.Add(it->second.first);
        answer.Add(it->second.second);
    }
}

void PutU16(std::string& out, std::u16string_view text) { PutText(out, ToUtf8(text)); }

bool GetU16(Reader& in, std::u16string& text) {
    std::string bytes;
    if (!in.Text(bytes)) return false;
    text = FromUtf8(bytes);
    return true;
}

}  // namespace

std::optional<std::string> FiltersProblem(const Filters& filters) {
    for (const auto* typed : {&filters.path, &filters.user, &filters.client})
        if (typed->size() > kMaxPatternLength)
            return "A pattern may be at most " + std::to_string(kMaxPatternLength) +
                   " characters long.";
    if (filters.idleMinutes > kMaxIdleMinutes)
        return "The idle time must be between 0 and " + std::to_string(kMaxIdleMinutes) +
               " minutes.";
    return std::nullopt;
}

std::size_t CellsPerRow(JobKind kind) {
    switch (kind) {
        case JobKind::Files: return kFileCells;
        case JobKind::Sessions: return kSessionCells;
        case JobKind::CloseFiles:
        case JobKind::Disconnect: return kOutcomeCells;
    }
    return 1;
}

std::string EncodeJob(const Job& job) {
    std::string out;
    PutCount(out, static_cast<std::size_t>(job.kind));
    PutU16(out, job.computer);
    PutU16(out, job.filters.path);
    PutU16(out, job.filters.user);
    PutU16(out, job.filters.client);
    PutCount(out, job.filters.idleMinutes);
    PutCount(out, job.rowCap);
    PutCount(out, job.files.size());
    for (const auto& f : job.files) {
        PutCount(out, f.id);
        PutU16(out, f.path);
        PutU16(out, f.user);
    }
    PutCount(out, job.sessions.size());
    for (const auto& s : job.sessions) {
        PutU16(out, s.client);
        PutU16(out, s.user);
    }
    return out;
}

bool DecodeJob(std::string_view bytes, Job& job) {
    Reader in(bytes);
    job = {};
    std::uint32_t kind = 0;
    if (!in.Count(kind) || kind > static_cast<std::uint32_t>(JobKind::Disconnect)) return false;
    job.kind = static_cast<JobKind>(kind);
    if (!GetU16(in, job.computer) || !GetU16(in, job.filters.path) || !GetU16(in, job.filters.user) ||
        !GetU16(in, job.filters.client) || !in.Count(job.filters.idleMinutes) || !in.Count(job.rowCap))
        return false;
    std::uint32_t files = 0;
    // Each target takes at least 12 bytes: a bad count cannot reserve more.
    if (!in.Count(files) || files > in.Left() / 12) return false;
    job.files.resize(files);
    for (auto& f : job.files)
        if (!in.Count(f.id) || !GetU16(in, f.path) || !GetU16(in, f.user)) return false;
    std::uint32_t sessions = 0;
    if (!in.Count(sessions) || sessions > in.Left() / 8) return false;
    job.sessions.resize(sessions);
    for (auto& s : job.sessions)
        if (!GetU16(in, s.client) || !GetU16(in, s.user)) return false;
    return in.AtEnd();
}

ServerAnswer RunJob(const Job& job) {
    ServerAnswer answer;
    CollectingSink sink(answer.failures);
    netenum::ScopedThreadTarget target(&sink);
    switch (job.kind) {
        case JobKind::Files: ListFiles(job, answer, sink); break;
        case JobKind::Sessions: ListSessions(job, answer, sink); break;
        case JobKind::CloseFiles: CloseFiles(job, answer); break;
        case JobKind::Disconnect: Disconnect(job, answer); break;
    }
    return answer;
}

}  // namespace search
