#pragma once
// Samba's own libnetapi NetFileEnum level 3, kept in its own file: its header
// declares the same names as the program's network layer.
#include <string>

namespace smbbench {

// Logs on once (libnetapi's context is process-wide).
bool LibnetapiInit(const std::string& user, const std::string& password);
// One whole NetFileEnum level 3 of `server`; returns the entries read, or -1.
long LibnetapiFileEnum(const std::string& server);
void LibnetapiDone();

}  // namespace smbbench
