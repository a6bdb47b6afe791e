#pragma once
// The program run as one computer's part of a search across computers: its
// job (and, for a computer the administrator named, that computer's account)
// on standard input, its answer on standard output. The window that searches
// starts it with the hidden option below; it is no command for people.
#include <memory>
#include <string>
#include <string_view>

#include "logon/CredentialLookup.h"
#include "search/FanOutTypes.h"

namespace app {

inline constexpr std::string_view kSearchChildOption = "--search-child";

// The child as a search starts it: `path` (this program's binary) with the
// option above. The account it is given comes from `lookup`, and only for a
// computer the administrator named.
search::ChildProgram SearchChildProgram(std::string path, std::shared_ptr<logon::CredentialLookup> lookup);

// Reads the job, carries it out on the network VANTOR_NETWORK names, writes
// the answer. 0 when an answer was written, 2 for input that is no job.
int RunSearchChild();

}  // namespace app
