#include "NetworkChoice.h"

#include <cstdlib>
#include <exception>

#include "netenum/Provider.h"
#include "netenum/providers/simulated/ScenarioLoader.h"

namespace app {

bool ChooseNetwork(const char* setting, std::string& error) {
    const std::string choice = setting == nullptr ? std::string() : std::string(setting);
    try {
        if (choice.empty() || choice == "demo") {
            netapi::SetProvider(sim::LoadDemoScenario());
            return true;
        }
        if (choice == "smb") {
            error = "VANTOR_NETWORK=smb: the real-server network is not available in this build "
                    "yet; use VANTOR_NETWORK=demo or a scenario file";
            return false;
        }
        netapi::SetProvider(sim::LoadScenarioFile(choice));
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool ChooseNetworkFromEnvironment(std::string& error) {
    return ChooseNetwork(std::getenv("VANTOR_NETWORK"), error);
}

}  // namespace app
