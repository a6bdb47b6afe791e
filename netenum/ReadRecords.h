#pragma once
// The one way the four collections read an enumeration: the call fills a
// buffer, a failure becomes its System Messages line, and each record the
// buffer holds is handed on. The buffer is released on every path.
#include <optional>
#include <string_view>

#include "MessageTarget.h"
#include "NetBuffer.h"
#include "modAPI_Error.h"
#include "netapi.h"

namespace netenum {

// Whether a partial list (234, more data) is read as far as it goes or
// counts as a failure.
enum class PartialList { Read, Fails };

// What one read came to: the call's status, and for a partial list that was
// read, the server's total.
struct ReadOutcome {
    netapi::NET_API_STATUS status = netapi::NERR_Success;
    std::optional<netapi::DWORD> partialTotal;
    bool Failed() const { return status != netapi::NERR_Success && !partialTotal; }
};

// `call(bufptr, prefmaxlen, &entriesRead, &totalEntries, &resumeHandle)`
// makes the call with those, its last five arguments; `add(record, item)`
// sets a new one of `items` from each record. Nothing is added and nothing
// reported on failure.
template <typename Record, typename Items, typename Call, typename Add>
ReadOutcome TryReadRecords(PartialList partialList, Items& items, Call call, Add add) {
    NetBuffer buffer;
    netapi::DWORD entriesRead = 0;
    netapi::DWORD totalEntries = 0;
    netapi::DWORD resumeHandle = 0;
    ReadOutcome outcome;
    outcome.status = call(buffer.Out(), netapi::MAX_PREFERRED_LENGTH, &entriesRead, &totalEntries,
                          &resumeHandle);
    const bool partialRead =
        partialList == PartialList::Read && outcome.status == netapi::ERROR_MORE_DATA;
    if (outcome.status != netapi::NERR_Success && !partialRead) return outcome;
    if (buffer) {
        const auto* records = buffer.template As<Record>();
        items.reserve(items.size() + entriesRead);
        for (netapi::DWORD i = 0; i < entriesRead; ++i) add(records[i], items.emplace_back());
    }
    if (partialRead) outcome.partialTotal = totalEntries;
    return outcome;
}

// The same, with a failure reported as the line of the call named `name` to
// `server`.
template <typename Record, typename Items, typename Call, typename Add>
ReadOutcome ReadRecords(std::u16string_view name, std::u16string_view server,
                        std::u16string_view advice, PartialList partialList, Items& items,
                        Call call, Add add) {
    const ReadOutcome outcome = TryReadRecords<Record>(partialList, items, call, add);
    if (outcome.Failed())
        AppendToCurrentForm(FailureLineWithAdvice(name, outcome.status, advice, server));
    return outcome;
}

// Whether a server refused a level to this caller (Windows: 5) or does not
// have it (124): a level with fewer fields may still be given.
inline bool LevelRefused(netapi::NET_API_STATUS status) {
    return status == netapi::ERROR_ACCESS_DENIED || status == netapi::ERROR_INVALID_LEVEL;
}

// Reads at the full level; when that is refused, at the lower level, whose
// records fill less. When the lower level fails too, the full level's
// failure is the one reported: it is what the caller asked for.
template <typename Full, typename Lower, typename Items, typename CallFull, typename AddFull,
          typename CallLower, typename AddLower>
ReadOutcome ReadRecordsFallingBack(std::u16string_view name, std::u16string_view server,
                                   std::u16string_view advice, PartialList partialList,
                                   Items& items, CallFull callFull, AddFull addFull,
                                   CallLower callLower, AddLower addLower) {
    const ReadOutcome full = TryReadRecords<Full>(partialList, items, callFull, addFull);
    if (full.Failed() && LevelRefused(full.status)) {
        const ReadOutcome lower = TryReadRecords<Lower>(partialList, items, callLower, addLower);
        if (!lower.Failed()) return lower;
    }
    if (full.Failed())
        AppendToCurrentForm(FailureLineWithAdvice(name, full.status, advice, server));
    return full;
}

}  // namespace netenum
