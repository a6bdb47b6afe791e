#pragma once
// Messages to a user's desktop through the terminal server's session
// interface, for servers that run no messenger service: every active session
// of the user gets a message box.
#include <cstdint>
#include <string>
#include <vector>

#include "RpcBinding.h"
#include "WinStation.h"
#include "netenum/Provider.h"

namespace smb {

class WinStationClient final {
public:
    explicit WinStationClient(RpcBinding& binding) : mBinding(binding) {}

    // `user` as a session list shows it: "anna" or "OFFICE\anna". The
    // sessions that got the message go to `reached`; NERR_NameNotFound when
    // the user has no active session there.
    netapi::NET_API_STATUS SendToUser(const std::u16string& user, const std::u16string& title,
                                      const std::u16string& text,
                                      std::vector<netapi::DesktopSession>& reached);

    // What a server may make us read: sessions, and rounds of the list.
    static constexpr std::size_t kMaxSessions = 4096;
    static constexpr int kMaxRounds = 256;

private:
    netapi::NET_API_STATUS ActiveSessions(const winsta::Handle& server,
                                          std::vector<winsta::Session>& out);

    RpcBinding& mBinding;
};

}  // namespace smb
