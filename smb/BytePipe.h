#pragma once
// A message pipe to a server (a named pipe opened over SMB in production, a
// script in tests). The RPC client writes whole fragments and reads exactly
// the number of bytes it knows are coming: a read for more than the server
// has sent blocks until the transport times out.
#include <cstddef>
#include <cstdint>
#include <span>

#include "netenum/netapi.h"

namespace smb {

class BytePipe {
public:
    virtual ~BytePipe() = default;
    virtual netapi::NET_API_STATUS Write(std::span<const std::uint8_t> data) = 0;
    // Fills `out` completely or fails.
    virtual netapi::NET_API_STATUS ReadExact(std::span<std::uint8_t> out) = 0;
    // A message pipe (Windows' RPC pipes) reads by messages: a read gets at
    // most the rest of the waiting message, and `more` says it goes on (the
    // server's STATUS_BUFFER_OVERFLOW). Byte-stream pipes have no messages.
    virtual bool MessageMode() const { return false; }
    virtual netapi::NET_API_STATUS ReadMessage(std::span<std::uint8_t> out, std::size_t& got,
                                               bool& more) {
        (void)out;
        got = 0;
        more = false;
        return netapi::ERROR_NOT_SUPPORTED;
    }
    // False once the transport underneath stopped answering (shared by other pipes).
    virtual bool Usable() const { return true; }
};

}  // namespace smb
