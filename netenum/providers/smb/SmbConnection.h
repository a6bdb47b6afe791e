#pragma once
// One libsmbclient context for one server: its logon, its timeout and the
// SMB connection it keeps open between calls.
#include <memory>
#include <string>

#include "SmbCredentials.h"
#include "netenum/netapi.h"

struct _SMBCCTX;
struct _SMBCFILE;

namespace smb {

class SmbConnection final : public std::enable_shared_from_this<SmbConnection> {
public:
    // How long a connection attempt or an answer may take.
    static constexpr int kTimeoutMs = 5000;

    SmbConnection(std::string host, const SmbCredentials& credentials);
    ~SmbConnection();
    SmbConnection(const SmbConnection&) = delete;
    SmbConnection& operator=(const SmbConnection&) = delete;

    // Opens \PIPE\<pipe> through the server's IPC$ share.
    netapi::NET_API_STATUS OpenPipe(const std::string& pipe, _SMBCFILE*& file);
    _SMBCCTX* Context() const { return mContext; }

private:
    static void Authenticate(_SMBCCTX* context, const char* server, const char* share,
                             char* workgroup, int workgroupLength, char* user, int userLength,
                             char* password, int passwordLength);

    std::string mHost;
    SmbCredentials mCredentials;
    _SMBCCTX* mContext = nullptr;
};

}  // namespace smb
