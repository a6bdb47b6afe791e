#pragma once
// A live test's process as a client of the "samba" fixture's server in this
// pass (see testing_support::Samba): through the relay, with a client
// configuration that signs nothing, and with the relay's address named by
// the administrator, since a password goes to no other computer.
#include "smb/SmbProvider.h"
#include "support/LiveFixture.h"
#include "text/Text.h"

namespace smbtest {

inline void ReachSamba() {
    static const bool once = [] {
        const testing_support::SambaRun& run = testing_support::Samba();
        testing_support::UseSambaClientHome();
        if (run.viaRelay) smb::AddTypedServer(text::FromUtf8(run.host));
        return true;
    }();
    (void)once;
}

}  // namespace smbtest
