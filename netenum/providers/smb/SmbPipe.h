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

private:
    std::shared_ptr<SmbConnection> mConnection;  // the context outlives its files
    _SMBCFILE* mFile;
};

}  // namespace smb
