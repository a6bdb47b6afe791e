#pragma once
// A scenario that cannot be loaded. what() is one line: the file, the place in
// it (a JSON pointer such as /computers/2/files/5/id, or line and column for
// text that is not JSON) and the fault.
#include <stdexcept>
#include <string>

namespace sim {

class ScenarioError final : public std::runtime_error {
public:
    ScenarioError(const std::string& source, const std::string& place, const std::string& fault);

    const std::string& Source() const { return mSource; }
    const std::string& Place() const { return mPlace; }
    const std::string& Fault() const { return mFault; }

private:
    std::string mSource;
    std::string mPlace;
    std::string mFault;
};

}  // namespace sim
