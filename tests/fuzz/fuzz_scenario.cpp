// Arbitrary bytes as a scenario: the loader either builds a network or throws
// ScenarioError with a one-line message, and a network it builds survives
// every call on every computer, with scripted activity running.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "sim/ScenarioLoader.h"

namespace {

void Exercise(sim::SimulatedNetwork& net) {
    using netapi::OptString;
    const auto servers = net.ServerEnum(netapi::SV_TYPE_ALL, std::nullopt);
    std::vector<OptString> names{std::nullopt, std::u16string()};
    for (const auto& s : servers.records) names.push_back(s.name);
    for (const OptString& server : names) {
        const auto files = net.FileEnum(server, std::nullopt, std::nullopt);
        const auto sessions = net.SessionEnum(server, std::nullopt, std::nullopt, 502);
        const auto shares = net.ShareEnum(server, 2);
        for (const auto& share : shares.records) net.ConnectionEnum(server, share.netname);
        for (const auto& session : sessions.records)
            if (session.cname) net.ConnectionEnum(server, u"\\\\" + *session.cname);
        netapi::ServerInfo101 info;
        net.ServerGetInfo(server, info);
        netapi::TimeOfDay tod;
        net.RemoteTOD(server, tod);
        netapi::UserInfo3 user;
        if (net.UserGetInfo(server, u"administrator", user) == 0) net.UserSetInfo(server, u"administrator", user);
        net.MessageBufferSend(server, u"administrator", std::nullopt, u"hello");
        if (!files.records.empty()) net.FileClose(server, files.records.front().id);
        if (!sessions.records.empty() && sessions.records.front().cname)
            net.SessionDel(server, u"\\\\" + *sessions.records.front().cname, sessions.records.front().username);
        net.FileEnum(server, std::nullopt, std::nullopt);
    }
    std::u16string local;
    net.LocalComputerName(local);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto net = sim::LoadScenario(text, "fuzz.json");
        auto now = std::chrono::system_clock::time_point(std::chrono::hours(500000));
        net->SetClock([&now] { return now; });
        net->SetSleeper([](std::chrono::milliseconds) {});
        Exercise(*net);
        now += std::chrono::hours(24);  // as many activity steps as one call allows
        Exercise(*net);
    } catch (const sim::ScenarioError& e) {
        if (std::strchr(e.what(), '\n') != nullptr) __builtin_trap();
    }
    return 0;
}
