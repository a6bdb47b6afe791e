#include "ServerNames.h"

#include <algorithm>

#include "MessageTarget.h"
#include "NetBuffer.h"
#include "modAPI_Error.h"
#include "netapi.h"

namespace netenum {

std::vector<std::u16string> ServerNames(std::uint32_t typeMask) {
    NetBuffer buffer;
    netapi::DWORD entriesRead = 0;
    netapi::DWORD totalEntries = 0;
    const auto status = netapi::NetServerEnum(nullptr, 101, buffer.Out(),
                                              netapi::MAX_PREFERRED_LENGTH, &entriesRead,
                                              &totalEntries, typeMask, nullptr, nullptr);
    std::vector<std::u16string> names;
    if (status != netapi::NERR_Success && status != netapi::ERROR_MORE_DATA) {
        AppendToCurrentForm(FailureLine(u"NetServerEnum", status));
        return names;
    }
    const auto* records = buffer.As<netapi::SERVER_INFO_101>();
    if (records == nullptr) return names;
    names.reserve(entriesRead);
    for (netapi::DWORD i = 0; i < entriesRead; ++i) {
        std::u16string name = PointerToString(&records[i].sv101_name);
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

}  // namespace netenum
