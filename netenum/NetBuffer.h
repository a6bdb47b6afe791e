#pragma once
// Owner of one result buffer of the network layer: released on every path.
#include "netapi.h"

namespace netenum {

class NetBuffer {
public:
    NetBuffer() = default;
    ~NetBuffer() { Reset(); }
    NetBuffer(const NetBuffer&) = delete;
    NetBuffer& operator=(const NetBuffer&) = delete;

    // The out-parameter for a call; a buffer still held is released first.
    netapi::LPBYTE* Out() {
        Reset();
        return &mBuffer;
    }
    netapi::LPBYTE Get() const { return mBuffer; }
    template <typename Record>
    const Record* As() const { return reinterpret_cast<const Record*>(mBuffer); }
    explicit operator bool() const { return mBuffer != nullptr; }

    void Reset() {
        if (mBuffer != nullptr) netapi::NetApiBufferFree(mBuffer);
        mBuffer = nullptr;
    }

private:
    netapi::LPBYTE mBuffer = nullptr;
};

}  // namespace netenum
