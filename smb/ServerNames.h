#pragma once
// The names of the computers the program may reach and where each leads:
// this computer, the known servers (settings and VANTOR_SMB_SERVERS), those
// typed in this run, and found ones ("NAME (ADDRESS)"); which of them the
// administrator named, so that a password may go there.
#include <string>
#include <string_view>
#include <vector>

#include "netenum/Provider.h"

namespace smb {

// How a found computer is listed: "NAME (ADDRESS)", or the bare address
// when it gave no plain host name.
std::u16string FoundName(const std::u16string& name, const std::string& address);

// The address or name a server argument reaches: leading blanks and
// backslashes dropped; the local computer (empty, "localhost", this
// machine's name) becomes 127.0.0.1; a found computer's "NAME (ADDRESS)" is
// its address. Any other name goes to the system's resolver as written.
std::string HostOf(const netapi::OptString& server);

// Computers the administrator typed in this run (a command line's servers):
// named like the known ones, though not listed.
void AddTypedServer(std::u16string server);

// Whether a password may go to `host` (as HostOf gives it): the
// administrator named it under exactly that name or address (this computer,
// a known server, one typed in this run). Found computers and the
// directory's are not named: they get a Kerberos ticket or nothing.
bool NamedByAdministrator(const std::string& host);

// The computers NetServerEnum considers (besides the local computer): the
// program feeds them from its settings (section "Network", key "Servers");
// VANTOR_SMB_SERVERS (comma-separated) adds more without any settings.
void SetKnownServers(std::vector<std::u16string> servers);
std::vector<std::u16string> KnownServers();

// This machine's name as the platform reports it: the host name up to its
// first dot, in capitals.
netapi::NET_API_STATUS LocalHostName(std::u16string& out);

// An address literal in one spelling (IPv6 zone kept apart, a zone must be
// an interface name); empty when `text` is no address.
std::string CanonicalAddress(std::string_view text);

}  // namespace smb
