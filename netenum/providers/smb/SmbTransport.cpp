#include "SmbTransport.h"

#include "SmbConnection.h"
#include "SmbPipe.h"
#include "netenum/MessageTarget.h"
#include "netenum/Text.h"

namespace smb {

SmbTransport::SmbTransport(SmbCredentials credentials) : mCredentials(std::move(credentials)) {}

netapi::NET_API_STATUS SmbTransport::Open(const std::string& host, const std::string& pipe,
                                          std::unique_ptr<BytePipe>& out) {
    out.reset();
    auto& connection = mConnections[host];
    if (!connection) connection = std::make_shared<SmbConnection>(host, mCredentials);
    _SMBCFILE* file = nullptr;
    const netapi::NET_API_STATUS status = connection->OpenPipe(pipe, file);
    if (status != netapi::NERR_Success) {
        // A failed logon or connection leaves nothing worth keeping.
        mConnections.erase(host);
        return status;
    }
    out = std::make_unique<SmbPipe>(connection, file);
    return netapi::NERR_Success;
}

}  // namespace smb
