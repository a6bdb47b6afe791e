#pragma once
// A named pipe on a server, opened as a file through libsmbclient.
#include <memory>

#include "BytePipe.h"

struct _SMBCFILE;

namespace smb {

class SmbConnection;

class SmbPipe final : public BytePipe {
public:
    SmbPipe(std::shared_ptr<SmbConnection> connection, _SMBCFILE* file);
    ~SmbPipe() override;
    SmbPipe(const SmbPipe&) = delete;
    SmbPipe& operator=(const SmbPipe&) = delete;

    netapi::NET_API_STATUS Write(std::span<const std::uint8_t> data) override;
    netapi::NET_API_STATUS ReadExact(std::span<std::uint8_t> out) override;
    bool Usable() const override;

private:
    // A transport failure: the connection is not used again.
    netapi::NET_API_STATUS Failed(int error);
    // Moves `size` bytes, `step(context, done)` moving some of what is left.
    template <typename Step>
    netapi::NET_API_STATUS Transfer(std::size_t size, bool reading, Step step);

    std::shared_ptr<SmbConnection> mConnection;  // the context outlives its files
    _SMBCFILE* mFile;
};

}  // namespace smb
