#pragma once
// One computer's part of a search across computers: list its open files or
// its sessions through the collections, filtered, or close a set of its
// files or end a set of its sessions. The job has a byte form, so that a
// child process can carry it out, and its answer is a ServerAnswer: rows of
// cells, and failure lines in the windows' own wording.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ServerAnswer.h"

namespace search {

enum class JobKind : std::uint8_t { Files, Sessions, CloseFiles, Disconnect };

// Patterns as typed (the pattern operator, whole text, letter case ignored);
// empty matches everything.
struct Filters {
    std::u16string path;    // files
    std::u16string user;    // files and sessions
    std::u16string client;  // files (through the user's sessions) and sessions
    std::uint32_t idleMinutes = 0;  // sessions: idle for at least this long
};

// The longest pattern and idle time accepted.
constexpr std::size_t kMaxPatternLength = 1024;
// Idle minutes: as many as a server's idle seconds can hold.
constexpr std::uint32_t kMaxIdleMinutes = 0xFFFFFFFFu / 60;

// One clear line for filters that must not be sent, or nothing.
std::optional<std::string> FiltersProblem(const Filters& filters);

// A file as it was listed: closed only while its id still names it.
struct FileTarget {
    std::uint32_t id = 0;
    std::u16string path;
    std::u16string user;
};

struct SessionTarget {
    std::u16string client;
    std::u16string user;
};

struct Job {
    JobKind kind = JobKind::Files;
    std::u16string computer;
    Filters filters;
    std::vector<FileTarget> files;
    std::vector<SessionTarget> sessions;
    // Rows past this many are left out, with a line that says so.
    std::uint32_t rowCap = 50'000;
};

// Cells per row of each kind's answer.
//   Files:     id, user, access bits, locks, path
//   Sessions:  user, client, opens, time, idle, guest
//   CloseFiles, Disconnect: one row per target, in order: outcome, line
constexpr std::size_t kFileCells = 5;
constexpr std::size_t kSessionCells = 6;
constexpr std::size_t kOutcomeCells = 2;
std::size_t CellsPerRow(JobKind kind);

// What became of one target of a close or a disconnect.
inline constexpr std::string_view kDone = "done";
inline constexpr std::string_view kNoLongerOpen = "no longer open";  // or connected
inline constexpr std::string_view kFailed = "failed";

std::string EncodeJob(const Job& job);
bool DecodeJob(std::string_view bytes, Job& job);

// Carries the job out in this process, through the network interface.
ServerAnswer RunJob(const Job& job);

}  // namespace search
