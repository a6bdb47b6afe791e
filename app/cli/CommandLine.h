#pragma once
// The window-less mode: "SERVER,PATTERN,c" closes every open file on SERVER
// whose path matches PATTERN, then the program ends.
#include <cstddef>
#include <iosfwd>
#include <string>

namespace app {

// The program's arguments as one line, the way the start-up path looks at it:
// joined by single blanks, leading and trailing blanks removed, lower case.
std::u16string NormalizedCommandLine(int argc, const char* const* argv);

// Empty or "/p" starts the window; anything else is for RunCommandLine.
bool IsInteractiveCommandLine(const std::u16string& normalized);

// Exit statuses of the command-line mode.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;     // an enumeration or a close failed
inline constexpr int kExitMalformed = 2;  // the line is not SERVER,PATTERN,c

// Longer patterns are refused: nobody types them, and each costs time per path.
inline constexpr std::size_t kMaxPatternLength = 1024;

// The SERVER field of a SERVER,PATTERN,c line (empty when there is none).
std::u16string CommandLineServer(const std::u16string& loweredLine);

// Runs the mode on an already lower-cased line. Every failure prints one line
// on `err`; a clean run prints nothing; a refused logon says what it tried.
int RunCommandLine(const std::u16string& loweredLine, std::ostream& err);

}  // namespace app
