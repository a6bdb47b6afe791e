#pragma once
// Test helpers: run the network calls the way the program does and keep the
// returned buffer alive (and freed) while the records are read.
#include <string>
#include <utility>
#include <vector>

#include "netenum/netapi.h"

namespace simtest {

using namespace netapi;

template <typename Record>
class Listing {
public:
    Listing() = default;
    Listing(Listing&& other) noexcept
        : status(other.status), read(other.read), total(other.total), buffer(std::exchange(other.buffer, nullptr)) {}
    Listing& operator=(Listing&&) = delete;
    ~Listing() {
        if (buffer != nullptr) NetApiBufferFree(buffer);
    }

    const Record& operator[](std::size_t i) const { return reinterpret_cast<const Record*>(buffer)[i]; }

    NET_API_STATUS status = 0;
    DWORD read = 0;
    DWORD total = 0;
    LPBYTE buffer = nullptr;
};

inline std::u16string Str(const char16_t* p) { return p == nullptr ? u"<null>" : std::u16string(p); }

inline Listing<FILE_INFO_3> Files(const char16_t* server) {
    Listing<FILE_INFO_3> l;
    l.status = NetFileEnum(server, u"", u"", 3, &l.buffer, MAX_PREFERRED_LENGTH, &l.read, &l.total, nullptr);
    return l;
}
inline Listing<SHARE_INFO_2> Shares(const char16_t* server) {
    Listing<SHARE_INFO_2> l;
    l.status = NetShareEnum(server, 2, &l.buffer, MAX_PREFERRED_LENGTH, &l.read, &l.total, nullptr);
    return l;
}
inline Listing<CONNECTION_INFO_1> Connections(const char16_t* server, const char16_t* qualifier) {
    Listing<CONNECTION_INFO_1> l;
    l.status = NetConnectionEnum(server, qualifier, 1, &l.buffer, MAX_PREFERRED_LENGTH, &l.read, &l.total, nullptr);
    return l;
}

}  // namespace simtest
