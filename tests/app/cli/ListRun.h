#pragma once
// The list mode in this process, its line parsed as main parses it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/cli/ListMode.h"

namespace clitest {

// The option line of "vantor ARGS...".
inline app::OptionLine Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "vantor");
    return app::ParseOptionLine(static_cast<int>(args.size()), args.data());
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// A well-formed list line, run with standard output a pipe.
inline Outcome RunList(std::vector<const char*> args) {
    const app::OptionLine line = Parse(std::move(args));
    EXPECT_EQ(line.kind, app::OptionLine::Kind::List) << line.problem;
    std::ostringstream out, err;
    const int status = app::RunListMode(line.request, {}, app::OutputKind::Pipe, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace clitest
