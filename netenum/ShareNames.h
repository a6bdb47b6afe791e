#pragma once
// What makes a share name acceptable to Windows, and which shares are the
// administrative or hidden ones. One rule for every place a name is typed or
// checked: the command line, the window and the simulated network.
#include <optional>
#include <string>
#include <string_view>

namespace netapi {

// The characters Windows refuses in a share name.
inline constexpr std::u16string_view kShareNameForbidden = u"\"/\\[]:|<>+=;,?*";

// Why `name` cannot be a share name, in a sentence ("the name contains \":\""),
// or nullopt when it can.
std::optional<std::string> ShareNameProblem(std::u16string_view name);

// C$, ADMIN$, IPC$ and any other name ending in "$".
bool IsHiddenShare(std::u16string_view name);

// Whether a path is absolute as a server writes it: "D:\..." or "/...".
bool IsAbsoluteServerPath(std::u16string_view path);

}  // namespace netapi
