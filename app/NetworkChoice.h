#pragma once
// Which network the program talks to, from VANTOR_NETWORK: "smb" or unset
// (real servers), "demo" (the bundled scenario) or a path to a scenario file.
#include <string>
#include <vector>

namespace app {

// Installs the chosen provider. On failure returns false and sets `error` to
// one clear line (a broken scenario names its file, place and fault).
bool ChooseNetwork(const char* setting, std::string& error);

// Whether the chosen network is the real one (not a simulated network).
bool RealNetwork();

// Reads VANTOR_NETWORK itself; unset means real servers.
bool ChooseNetworkFromEnvironment(std::string& error);

// The servers the real network lists besides this computer (the settings'
// "Network"/"Servers" value, comma-separated). No effect on simulated networks.
void SetKnownServers(const std::u16string& commaSeparated);

// The servers configured for the chosen network (settings and environment);
// none for a simulated one, whose own list is complete.
std::vector<std::u16string> ConfiguredServers();

// Whether a listing of the real network also looks for computers on the
// local network (WS-Discovery and DNS-SD); the settings' "Network"/"Discover".
void SetDiscovery(bool on);

// Servers the administrator typed on a command line: named like the ones
// they added, so that their own accounts (keyring, auth file) may go there.
void NameTypedServers(const std::vector<std::u16string>& servers);

// Whether a password may go to `server` on the real network (the
// administrator named it); false on a simulated one, which needs none.
bool NamedServer(const std::u16string& server);

// The key an account for `server` is kept under in the keyring, as the
// window keeps it: the host the name reaches ("127.0.0.1" for this computer).
std::string LogonKeyOf(const std::u16string& server);

// When `server` refused the logon in its last call on the real network:
// what that logon was made with, in words, never a secret. Empty otherwise.
std::string RefusedLogon(const std::u16string& server);

}  // namespace app
