#pragma once
// Asking several servers at once. Each server is asked in a child process of
// its own: the network backends keep one connection per server and are made
// for one thread, a process per server shares nothing with the others, and a
// server that makes its child fail or hang spoils only its own answer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "search/ServerAnswer.h"

namespace app {

using search::ServerAnswer;

// Runs `ask` for every server, at most `atOnce` at a time, and gives the
// answers in the order of `servers`. With two or more, `ask` runs in a child
// process per server: what it changes in memory stays there, and a child that
// ends abnormally answers one failure line. A single server is asked in this
// process unless `apart` (a caller that must open no connection of its own).
// Must be called before the caller has opened any connection.
std::vector<ServerAnswer> AskEachServer(const std::vector<std::u16string>& servers,
                                        const std::function<ServerAnswer(const std::u16string&)>& ask,
                                        std::size_t atOnce, bool apart = false);

// The wire form between child and parent (exposed for tests).
using search::DecodeAnswer;
using search::EncodeAnswer;

}  // namespace app
