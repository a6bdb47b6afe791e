#pragma once
// A relay between an SMB client and the test smbd that gives named pipes the
// read semantics of Windows' message-mode RPC pipes (MS-SMB2 3.3.4.4), which
// Samba's own pipes lack: a READ (or a transceive's output) shorter than the
// rest of the waiting message answers STATUS_BUFFER_OVERFLOW with that many
// bytes; a longer one gets only the rest of that message. Messages are the
// DCE/RPC fragments passing through, as Windows writes them. Everything else
// passes unchanged. Signing must be off on both sides (it rewrites replies).
//
// In trickle mode it is a byte-stream server instead that hands each pipe
// read one byte, `delay` after the request: a reply that takes for ever.
#include <atomic>
#include <chrono>
#include <string>

#include "ListeningThread.h"

namespace smbtest {

class PipeRelay final {
public:
    enum class Mode { Message, Trickle };
    PipeRelay(std::string listen, std::string upstream, Mode mode,
              std::chrono::milliseconds delay = std::chrono::milliseconds(0));

    const std::string& Error() const { return mNet.Error(); }
    // Pipe reads answered STATUS_BUFFER_OVERFLOW: the message-mode rule at work.
    int Overflows() const { return mOverflows.load(); }
    // Longer reads that ended at a message's end with the next one waiting.
    int Boundaries() const { return mBoundaries.load(); }
    // Pipe reads and transceives answered.
    int PipeReads() const { return mPipeReads.load(); }
    // Signed pipe replies: the relay cannot rewrite them, so the run is void.
    int Signed() const { return mSigned.load(); }
    // Trickle mode: one byte per read while on, message mode while off.
    void SetTrickling(bool on) { mTrickling.store(on); }

private:
    struct Connection;

    Mode mMode;
    std::chrono::milliseconds mDelay;
    std::atomic<int> mOverflows{0};
    std::atomic<int> mBoundaries{0};
    std::atomic<int> mPipeReads{0};
    std::atomic<int> mSigned{0};
    std::atomic<bool> mTrickling{true};
    ListeningThread mNet;  // last: its thread stops before the rest goes
};

}  // namespace smbtest
