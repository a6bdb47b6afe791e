#include "SmbProvider.h"

#include <algorithm>
#include <mutex>

#include "ServerBindings.h"
#include "netenum/CallControl.h"
#include "text/Text.h"

namespace smb {

using netapi::NET_API_STATUS;
using netapi::OptString;

namespace {

// The interfaces the program binds, with the pipes they are served on: the
// server service, the account database, the local security authority and
// the terminal server's legacy session interface (MS-TSTS).
struct Interface {
    const char* pipe;
    dcerpc::SyntaxId syntax;
};
enum InterfaceIndex { kSrvsvc, kSamr, kLsa, kWinStation };
const Interface& InterfaceOf(InterfaceIndex which) {
    static const Interface interfaces[] = {
        {"srvsvc", dcerpc::MakeSyntax("4b324fc8-1670-01d3-1278-5a47bf6ee188", 3, 0)},
        {"samr", dcerpc::MakeSyntax("12345778-1234-abcd-ef00-0123456789ac", 1, 0)},
        {"lsarpc", dcerpc::MakeSyntax("12345778-1234-abcd-ef00-0123456789ab", 0, 0)},
        {"Ctx_WinStation_API_service", dcerpc::MakeSyntax("5ca4a760-ebb1-11cf-8611-00a0245420ed", 1, 0)},
    };
    return interfaces[which];
}

}  // namespace

SmbProvider::SmbProvider(std::shared_ptr<PipeOpener> opener) : mOpener(std::move(opener)) {}
SmbProvider::~SmbProvider() = default;

std::string SmbProvider::HostFor(const OptString& server) const { return HostOf(server); }

std::string SmbProvider::Key(const OptString& server) const {
    return text::ToUtf8(text::ToUpper(text::FromUtf8(HostFor(server))));
}

std::shared_ptr<SmbProvider::Server> SmbProvider::For(const OptString& server) {
    const std::string host = HostFor(server);
    std::lock_guard<std::mutex> guard(mServersLock);
    auto& slot = mServers[Key(server)];
    if (!slot) {
        slot = std::make_shared<Server>();
        const std::u16string arg = u"\\\\" + text::FromUtf8(host);
        auto bind = [&](InterfaceIndex which) {
            const Interface& i = InterfaceOf(which);
            return std::make_unique<RpcBinding>(*mOpener, host, i.pipe, i.syntax);
        };
        slot->srvsvcPipe = bind(kSrvsvc);
        slot->samrPipe = bind(kSamr);
        slot->lsaPipe = bind(kLsa);
        slot->winstaPipe = bind(kWinStation);
        slot->srvsvc = std::make_unique<SrvsvcClient>(*slot->srvsvcPipe, arg);
        slot->samr = std::make_unique<SamrClient>(*slot->samrPipe, arg);
        slot->winsta = std::make_unique<WinStationClient>(*slot->winstaPipe);
    }
    return slot;
}

void SmbProvider::RetryComputer(const OptString& server) { mDead.Retry(Key(server)); }
void SmbProvider::RetryAllComputers() { mDead.RetryAll(); }

NET_API_STATUS SmbProvider::ResolveComputer(const OptString& server) {
    // As long as a listing would wait for the name, no longer.
    const netapi::BoundedCall bounded;
    netapi::CallControl lookup;
    lookup.whole = netapi::CurrentCall();
    lookup.deadline = std::min(lookup.whole->deadline, netapi::CallClock::now() + kProbeDeadline);
    const netapi::ScopedCall looking(&lookup);
    return mOpener->Resolve(HostFor(server));
}

NET_API_STATUS SmbProvider::LocalComputerName(std::u16string& out) { return LocalHostName(out); }

}  // namespace smb
