#pragma once
// Files that name users and paths (the usage log) are opened by this one
// function: never through a symbolic link, created readable by the owner only,
// and only when they are regular files (a FIFO put in their place would hang
// the writer).
#include <string>

namespace text {

// Opens `path` for appending, creating it with mode 0600; an existing file of
// ours loses any group and other permissions. Returns the descriptor (the
// caller closes it), or -1 with `error` set to the system's reason.
int OpenPrivateForAppend(const std::string& path, std::string& error);

}  // namespace text
