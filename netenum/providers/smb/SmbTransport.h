#pragma once
// Opens named pipes over SMB with libsmbclient: one context (one logon, one
// kept connection) per server, shared by every pipe opened on it.
#include <map>
#include <memory>
#include <string>

#include "PipeOpener.h"
#include "SmbCredentials.h"

namespace smb {

class SmbConnection;

class SmbTransport final : public PipeOpener {
public:
    explicit SmbTransport(SmbCredentials credentials);

    netapi::NET_API_STATUS Open(const std::string& host, const std::string& pipe,
                                std::unique_ptr<BytePipe>& out) override;

private:
    SmbCredentials mCredentials;
    std::map<std::string, std::shared_ptr<SmbConnection>> mConnections;
};

}  // namespace smb
