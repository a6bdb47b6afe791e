#include <csignal>
#include <cstdio>

#include "SmbCredentials.h"
#include "SmbProvider.h"
#include "SmbTransport.h"
#include "text/Text.h"

namespace smb {

std::shared_ptr<netapi::Provider> MakeSmbProvider() {
    // The SMB library writes to connections a stalled server was cut off
    // from (closing a pipe, logging off); that must end the write, not the
    // program.
    std::signal(SIGPIPE, SIG_IGN);
    SmbCredentials credentials = SmbCredentials::FromEnvironment();
    // Said at start-up on the terminal, and in the window once it is up; the
    // logon goes ahead without the refused file and fails on its own terms.
    const std::string problem = credentials.Problem();
    if (!problem.empty()) std::fprintf(stderr, "vantor: SMB logon: %s\n", problem.c_str());
    auto provider =
        std::make_shared<SmbProvider>(std::make_shared<SmbTransport>(std::move(credentials)));
    if (!problem.empty()) provider->SetStartupNotice(u"SMB logon: " + text::FromUtf8(problem));
    return provider;
}

}  // namespace smb
