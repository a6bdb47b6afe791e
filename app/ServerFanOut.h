#pragma once
// Asking several servers at once. Each server is asked in a child process of
// its own: the network backends keep one connection per server and are made
// for one thread, a process per server shares nothing with the others, and a
// server that makes its child fail or hang spoils only its own answer.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace app {

// What one server answered: rows of UTF-8 cells and its failure lines.
struct ServerAnswer {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> failures;
};

// Runs `ask` for every server, at most `atOnce` at a time, and gives the
// answers in the order of `servers`. `ask` runs in a child process: what it
// changes in memory stays there. A child that ends abnormally answers one
// failure line. Must be called before the caller has opened any connection.
std::vector<ServerAnswer> AskEachServer(const std::vector<std::u16string>& servers,
                                        const std::function<ServerAnswer(const std::u16string&)>& ask,
                                        std::size_t atOnce);

// The wire form between child and parent (exposed for tests).
std::string EncodeAnswer(const ServerAnswer& answer);
bool DecodeAnswer(std::string_view bytes, ServerAnswer& answer);

}  // namespace app
