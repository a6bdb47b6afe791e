#include "StartupClock.h"

#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace app {
namespace {

double Seconds(const timespec& t) { return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9; }

std::optional<double> FromLaunchTime() {
    const char* launch = std::getenv("VANTOR_LAUNCH_TIME");
    if (launch == nullptr || *launch == '\0') return std::nullopt;
    std::string text(launch);
    for (char& c : text)
        if (c == ',') c = '.';  // EPOCHREALTIME follows the locale's decimal sign
    char* end = nullptr;
    const double started = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) return std::nullopt;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return (Seconds(now) - started) * 1000.0;
}

// Field 22 of /proc/self/stat: the start in clock ticks after boot.
std::optional<double> FromProcStat() {
    std::ifstream stat("/proc/self/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = content.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(content.substr(close + 2));
    std::string field;
    for (int index = 3; index <= 22 && fields >> field; ++index) {
        if (index != 22) continue;
        const double ticks = std::strtod(field.c_str(), nullptr);
        timespec now{};
        clock_gettime(CLOCK_BOOTTIME, &now);
        return (Seconds(now) - ticks / static_cast<double>(sysconf(_SC_CLK_TCK))) * 1000.0;
    }
    return std::nullopt;
}

}  // namespace

std::optional<double> MillisecondsSinceProcessStart() {
    if (auto fromLaunch = FromLaunchTime()) return fromLaunch;
    return FromProcStat();
}

}  // namespace app
