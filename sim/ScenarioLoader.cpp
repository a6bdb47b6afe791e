#include "ScenarioLoader.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "JsonReader.h"
#include "ScenarioRecords.h"

namespace sim {
namespace {

// nlohmann reports a byte offset; the message gives line and column, counted from 1.
std::string LineColumn(std::string_view text, std::size_t byte) {
    if (byte > text.size()) byte = text.size();
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < byte && i < text.size(); ++i)
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    const std::size_t column = byte > lineStart ? byte - lineStart : 1;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The parser's own description, without its "[json.exception...] parse error
// at line L, column C: " preamble.
std::string ParseFault(const std::string& what) {
    std::string s = what;
    const std::size_t column = s.find("column ");
    if (column != std::string::npos) {
        const std::size_t colon = s.find(": ", column);
        if (colon != std::string::npos) s = s.substr(colon + 2);
    }
    return Clip(s);
}

}  // namespace

Scenario ParseScenario(std::string_view jsonText, const std::string& sourceName) {
    json document;
    try {
        document = json::parse(jsonText.begin(), jsonText.end());
    } catch (const json::parse_error& e) {
        throw ScenarioError(sourceName, LineColumn(jsonText, e.byte), "bad JSON: " + ParseFault(e.what()));
    } catch (const json::exception& e) {
        // A number too large for any type, for instance.
        throw ScenarioError(sourceName, "", "bad JSON: " + ParseFault(e.what()));
    }
    const JsonReader r(sourceName);
    try {
        r.Members(document, "", {"computers", "faults"});
        Scenario scenario;
        const json& computers = r.Array(r.Required(document, "computers", ""), "/computers");
        for (std::size_t i = 0; i < computers.size(); ++i)
            scenario.computers.push_back(ReadComputer(r, computers[i], At("/computers", i)));
        scenario.faults = ReadFaults(r, document, "");
        return scenario;
    } catch (const json::exception& e) {
        // Every access above is checked first; this is a last line of defence.
        throw ScenarioError(sourceName, "/", std::string("unreadable scenario: ") + Clip(e.what()));
    }
}

std::shared_ptr<SimulatedNetwork> LoadScenario(std::string_view jsonText, const std::string& sourceName) {
    return std::make_shared<SimulatedNetwork>(ParseScenario(jsonText, sourceName), sourceName);
}

std::shared_ptr<SimulatedNetwork> LoadScenarioFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError(path, "", std::string("cannot open the file: ") + std::strerror(errno));
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) throw ScenarioError(path, "", "cannot read the file");
    return LoadScenario(content.str(), path);
}

std::shared_ptr<SimulatedNetwork> LoadDemoScenario() {
    return LoadScenario(DemoScenarioText(), kDemoScenarioName);
}

}  // namespace sim
