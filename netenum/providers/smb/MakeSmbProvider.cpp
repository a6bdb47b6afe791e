#include <cstdio>

#include "SmbCredentials.h"
#include "SmbProvider.h"
#include "SmbTransport.h"

namespace smb {

std::shared_ptr<netapi::Provider> MakeSmbProvider() {
    SmbCredentials credentials = SmbCredentials::FromEnvironment();
    // Said at start-up too, for a program started from a terminal.
    if (!credentials.Problem().empty())
        std::fprintf(stderr, "vantor: SMB logon: %s\n", credentials.Problem().c_str());
    return std::make_shared<SmbProvider>(std::make_shared<SmbTransport>(std::move(credentials)));
}

}  // namespace smb
