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

// What a read came to: the call's status, and for a partial list that was
// read, the server's total.
struct ReadOutcome {
    netapi::NET_API_STATUS status = netapi::NERR_Success;
    std::optional<netapi::DWORD> partialTotal;
};

// `call(bufptr, prefmaxlen, &entriesRead, &totalEntries, &resumeHandle)`
// makes the call named `name` to `server` with those, its last five
// arguments; `add(record, item)` sets a new one of `items` from each record.
template <typename Record, typename Items, typename Call, typename Add>
ReadOutcome ReadRecords(std::u16string_view name, std::u16string_view server,
                        std::u16string_view advice, PartialList partialList, Items& items,
                        Call call, Add add) {
    NetBuffer buffer;
    netapi::DWORD entriesRead = 0;
    netapi::DWORD totalEntries = 0;
    netapi::DWORD resumeHandle = 0;
    const auto status = call(buffer.Out(), netapi::MAX_PREFERRED_LENGTH, &entriesRead,
                             &totalEntries, &resumeHandle);
    const bool partialRead = partialList == PartialList::Read && status == netapi::ERROR_MORE_DATA;
    if (status != netapi::NERR_Success && !partialRead) {
        buffer.Reset();
        AppendToCurrentForm(FailureLineWithAdvice(name, status, advice, server));
        return {status, std::nullopt};
    }
    if (buffer) {
        const auto* records = buffer.template As<Record>();
        items.reserve(items.size() + entriesRead);
        for (netapi::DWORD i = 0; i < entriesRead; ++i) add(records[i], items.emplace_back());
    }
    if (partialRead) return {status, totalEntries};
    return {status, std::nullopt};
}

}  // namespace netenum
