#pragma once
// The lists of the list mode: which columns each has, and one server's rows,
// read from a fresh collection exactly as the windows read theirs.
#include <cstdint>
#include <optional>
#include <string>

#include "ServerFanOut.h"
#include "search/SearchJob.h"
#include "listformat/Table.h"

namespace app {

enum class ListKind { Files, Sessions, Shares, Connections };

struct ListQuery {
    ListKind kind = ListKind::Files;
    // Case-folded pattern (text::FoldCase): paths for files, users for
    // sessions and connections, share names for shares.
    std::optional<std::u16string> match;
    // Connections: exactly one of the two.
    std::u16string share;
    std::u16string client;
    // Files and sessions: case-folded patterns for the user, and (sessions)
    // the client computer; sessions idle at least this many minutes.
    std::optional<std::u16string> userMatch;
    std::optional<std::u16string> clientMatch;
    std::optional<std::uint32_t> idleMinutes;
    // Close the files (--close) or end the sessions (--disconnect) listed;
    // each row then says what became of it in an "outcome" column.
    bool act = false;
};

// The most --idle takes: the window's limit.
using search::kMaxIdleMinutes;

// The columns, "server" first; "outcome" last when the rows are acted on.
std::vector<listformat::Column> ListColumns(ListKind kind, bool act = false);

// One server's rows (without the server column) and its failure lines, each
// failure one line (an advice line joined to it).
ServerAnswer ListOneServer(const ListQuery& query, const std::u16string& server);

// Every computer the network lists besides the configured ones, one name per
// row, and the failure line when the list could not be read. Run in a child
// of its own: it forgets the configured servers.
ServerAnswer ListServerNames();

}  // namespace app
