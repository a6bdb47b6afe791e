#pragma once
// One server as SmbProvider reaches it: a binding per interface, the clients
// over them, and what the calls on them learnt.
#include <atomic>
#include <memory>
#include <mutex>
#include <set>

#include "RpcBinding.h"
#include "SamrClient.h"
#include "SrvsvcClient.h"
#include "WinStationClient.h"
#include "netenum/NetTypes.h"

namespace smb {

struct ServerBindings {
    // Calls given up by their caller may still run; the next one waits its turn.
    std::timed_mutex busy;
    // A call on these bindings was answered: the logon they use works.
    std::atomic<bool> answered{false};
    std::unique_ptr<RpcBinding> srvsvcPipe;
    std::unique_ptr<RpcBinding> samrPipe;
    std::unique_ptr<RpcBinding> lsaPipe;
    std::unique_ptr<RpcBinding> winstaPipe;
    std::unique_ptr<SrvsvcClient> srvsvc;
    std::unique_ptr<SamrClient> samr;
    std::unique_ptr<WinStationClient> winsta;
    // The ids under which the server's file lists showed pipes this program
    // holds open there: closing one would cut the connection in use.
    std::set<netapi::DWORD> ownPipes;
};

}  // namespace smb
