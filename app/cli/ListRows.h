#pragma once
// The lists of the list mode: which columns each has, and one server's rows,
// read from a fresh collection exactly as the windows read theirs.
#include <optional>
#include <string>

#include "ServerFanOut.h"
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
};

// The columns, "server" first.
std::vector<listformat::Column> ListColumns(ListKind kind);

// One server's rows (without the server column) and its failure lines, each
// failure one line (an advice line joined to it).
ServerAnswer ListOneServer(const ListQuery& query, const std::u16string& server);

// Every computer the network lists besides the configured ones, one name per
// row, and the failure line when the list could not be read. Run in a child
// of its own: it forgets the configured servers.
ServerAnswer ListServerNames();

}  // namespace app
