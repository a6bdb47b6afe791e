#pragma once
// Where the program's files are. A program run from its build folder or
// copied somewhere keeps everything in its own folder; an installed one finds
// its read-only data in share/vantor/ beside bin/ and writes its usage log to
// the user's state folder.
#include <QString>

namespace common {

inline constexpr const char* kHelpFileName = "faq.fil";
inline constexpr const char* kUsageLogFileName = "usage.txt";

// The folder of the help text and other read-only data, with a trailing
// separator: the program's folder when the help text is there, otherwise the
// installed data folder when it holds it, otherwise the program's folder.
QString DataFolder(const QString& programFolder);

// True when the program's data lies in the installed data folder, not beside it.
bool IsInstalled(const QString& programFolder);

// $XDG_STATE_HOME/vantor, or ~/.local/state/vantor; no trailing separator.
QString StateFolder();

// The usage log: in the program's folder when that folder can be written and
// is not an installed one (existing logs stay where they are), otherwise in
// StateFolder().
QString UsageLogFileName(const QString& programFolder);

// Whether the mode of `folder` lets this user write in it and the system
// agrees. Root counts as unable where the mode says read-only.
bool FolderWritable(const QString& folder);

// Creates `folder` and any missing parent, each new one readable only by the
// user (0700). False, with the reason in `error`, when that fails.
bool MakePrivateFolder(const QString& folder, QString& error);

}  // namespace common
