#pragma once
// A scenario's records read from its JSON: computers with their shares,
// sessions, connections, files, accounts, faults and activity. Names stand
// for bits where the published ones exist.
#include <string>
#include <vector>

#include "JsonReader.h"
#include "Scenario.h"

namespace sim {

Computer ReadComputer(const JsonReader& r, const json& v, const std::string& place);
// The "faults" list of `object` (a computer, or the whole network); none when absent.
std::vector<Fault> ReadFaults(const JsonReader& r, const json& object, const std::string& place);

}  // namespace sim
