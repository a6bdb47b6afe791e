#pragma once
// Which network the program talks to, from VANTOR_NETWORK: "demo" (the bundled
// scenario), a path to a scenario file, or "smb" (real servers).
#include <string>

namespace app {

// Installs the chosen provider. On failure returns false and sets `error` to
// one clear line (a broken scenario names its file, place and fault).
bool ChooseNetwork(const char* setting, std::string& error);

// Reads VANTOR_NETWORK itself.
bool ChooseNetworkFromEnvironment(std::string& error);

}  // namespace app
