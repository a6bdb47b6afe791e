#pragma once
// Loading a simulated network from a JSON scenario (the format is described
// in scenarios/README.md). Every fault in the text becomes a ScenarioError
// whose what() is one line naming the source, the place and the fault.
#include <memory>
#include <string>
#include <string_view>

#include "Scenario.h"
#include "ScenarioError.h"
#include "SimulatedNetwork.h"

namespace sim {

// The JSON text as plain values, checked for syntax, field names, types and
// number ranges (the network's own checks come when it is built).
Scenario ParseScenario(std::string_view jsonText, const std::string& sourceName);

std::shared_ptr<SimulatedNetwork> LoadScenario(std::string_view jsonText,
                                               const std::string& sourceName);
std::shared_ptr<SimulatedNetwork> LoadScenarioFile(const std::string& path);

// The bundled scenarios/demo.json, compiled into the program.
std::string_view DemoScenarioText();
constexpr const char* kDemoScenarioName = "demo.json";
std::shared_ptr<SimulatedNetwork> LoadDemoScenario();

}  // namespace sim
