#include "NetworkChoice.h"

#include <cstdlib>
#include <exception>

#include "discovery/Discovery.h"
#include "netenum/CallControl.h"
#include "netenum/Provider.h"
#include "sim/ScenarioLoader.h"
#include "smb/SmbProvider.h"
#include "text/Text.h"

namespace app {
namespace {
bool gRealNetwork = false;
}

bool ChooseNetwork(const char* setting, std::string& error) {
    const std::string choice = setting == nullptr ? std::string() : std::string(setting);
    try {
        if (choice == "demo") {
            netapi::SetProvider(sim::LoadDemoScenario());
            return true;
        }
        if (choice.empty() || choice == "smb") {
#ifdef VANTOR_HAVE_SMB
            netapi::SetProvider(smb::MakeSmbProvider());
            gRealNetwork = true;
            return true;
#else
            error = "VANTOR_NETWORK=smb: this build has no real-server support (Samba's RPC client was "
                    "not found); use VANTOR_NETWORK=demo or a scenario file";
            return false;
#endif
        }
        netapi::SetProvider(sim::LoadScenarioFile(choice));
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool RealNetwork() { return gRealNetwork; }

bool ChooseNetworkFromEnvironment(std::string& error) {
    return ChooseNetwork(std::getenv("VANTOR_NETWORK"), error);
}

void SetKnownServers(const std::u16string& commaSeparated) {
    smb::SetKnownServers({commaSeparated});
}

void SetDiscovery(bool on) {
    if (!on) {
        smb::SetCandidateSource(nullptr);
        return;
    }
    smb::SetCandidateSource([] {
        // Runs inside the listing's call: given up with it, and never longer
        // than discovery's own windows.
        const netapi::CallControl* call = netapi::CurrentCall();
        std::vector<smb::Candidate> candidates;
        for (const discovery::FoundComputer& found :
             discovery::FindComputers(discovery::kWindow, discovery::kMetadataWindow,
                                      [call] { return call != nullptr && call->Over(); }))
            candidates.push_back({text::FromUtf8(found.name), found.address});
        return candidates;
    });
}

}  // namespace app

namespace app {

std::vector<std::u16string> ConfiguredServers() {
    return gRealNetwork ? smb::KnownServers() : std::vector<std::u16string>{};
}

void NameTypedServers(const std::vector<std::u16string>& servers) {
    for (const std::u16string& server : servers) smb::AddTypedServer(server);
}

bool NamedServer(const std::u16string& server) {
    return gRealNetwork && smb::NamedByAdministrator(smb::HostOf(server));
}

std::string LogonKeyOf(const std::u16string& server) { return smb::HostOf(server); }

std::string RefusedLogon(const std::u16string& server) {
    if (const auto* provider = dynamic_cast<const smb::SmbProvider*>(netapi::ActiveProvider()))
        return provider->RefusedLogon(server);
    return {};
}

}  // namespace app
