#pragma once
// How long the program took from its start until now, for the start-up figure.
#include <optional>

namespace app {

// Milliseconds since the process started: from VANTOR_LAUNCH_TIME (seconds
// since the epoch with a fraction, as the shell's EPOCHREALTIME gives it) when
// the launcher set it, else from the kernel's start time of the process.
std::optional<double> MillisecondsSinceProcessStart();

}  // namespace app
