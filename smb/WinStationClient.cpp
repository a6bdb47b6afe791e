#include "WinStationClient.h"

#include "StatusMap.h"
#include "text/Text.h"

namespace smb {

using netapi::NERR_Success;
using netapi::NET_API_STATUS;

namespace {

// The buffer each round of the session list is read into.
constexpr std::uint32_t kListBytes = 32 * winsta::kLogonIdBytes;

// One call, its reply read by `decode(reply, outcome)`: the transport's
// failure, a malformed reply, or the server's own NTSTATUS when it said no.
template <typename Decode>
NET_API_STATUS Call(RpcBinding& binding, std::uint16_t opnum, const winsta::Stub& request,
                    Decode decode) {
    std::vector<std::uint8_t> reply;
    NET_API_STATUS status = binding.Call(opnum, request, reply);
    if (status != NERR_Success) return status;
    winsta::Outcome outcome;
    if (decode(reply, outcome) != NERR_Success) return netapi::RPC_S_PROTOCOL_ERROR;
    if (outcome.result != 0 && outcome.result != winsta::STATUS_NO_MORE_ENTRIES)
        return NtStatusToStatus(outcome.result);
    if (!outcome.ok && outcome.result == 0) return netapi::RPC_S_CALL_FAILED;
    return NERR_Success;
}

// "OFFICE\anna" names anna of OFFICE; "anna" anna of any domain.
bool SameUser(std::u16string_view wanted, const std::u16string& domain, const std::u16string& user) {
    if (user.empty()) return false;
    const auto slash = wanted.rfind(u'\\');
    if (slash == std::u16string_view::npos) return text::EqualsIgnoreCase(wanted, user);
    return text::EqualsIgnoreCase(wanted.substr(slash + 1), user) &&
           text::EqualsIgnoreCase(wanted.substr(0, slash), domain);
}

}  // namespace

NET_API_STATUS WinStationClient::ActiveSessions(const winsta::Handle& server,
                                                std::vector<winsta::Session>& out) {
    std::uint32_t index = 0;
    std::size_t listed = 0;
    for (int round = 0; round < kMaxRounds && listed < kMaxSessions; ++round) {
        std::vector<winsta::Session> part;
        std::uint32_t next = 0;
        std::uint32_t result = 0;
        const NET_API_STATUS status = Call(
            mBinding, winsta::kOpEnumerate, winsta::EncodeEnumerate(server, index, kListBytes),
            [&](const std::vector<std::uint8_t>& reply, winsta::Outcome& o) {
                const NET_API_STATUS s = winsta::DecodeEnumerate(reply, kListBytes, part, next, o);
                result = o.result;
                return s;
            });
        if (status != NERR_Success) return status;
        for (auto& s : part)
            if (s.state == winsta::kStateActive) out.push_back(std::move(s));
        listed += part.size();
        // The list ends when the server says so, gives nothing or stands still.
        if (result == winsta::STATUS_NO_MORE_ENTRIES || part.empty() || next == index) break;
        index = next;
    }
    return NERR_Success;
}

NET_API_STATUS WinStationClient::SendToUser(const std::u16string& user, const std::u16string& title,
                                            const std::u16string& text,
                                            std::vector<netapi::DesktopSession>& reached) {
    reached.clear();
    if (text.size() > winsta::kMaxTextChars) return netapi::ERROR_INVALID_PARAMETER;
    winsta::Handle server{};
    NET_API_STATUS status =
        Call(mBinding, winsta::kOpOpenServer, winsta::EncodeOpenServer(),
             [&](const std::vector<std::uint8_t>& reply, winsta::Outcome& o) {
                 return winsta::DecodeOpenServer(reply, server, o);
             });
    if (status != NERR_Success) return status;

    std::vector<winsta::Session> sessions;
    status = ActiveSessions(server, sessions);
    NET_API_STATUS failure = netapi::NERR_NameNotFound;  // no session of the user
    for (const winsta::Session& session : sessions) {
        if (status != NERR_Success) break;
        std::u16string domain, name;
        const NET_API_STATUS query =
            Call(mBinding, winsta::kOpQueryInformation,
                 winsta::EncodeQueryInformation(server, session.id),
                 [&](const std::vector<std::uint8_t>& reply, winsta::Outcome& o) {
                     return winsta::DecodeQueryInformation(reply, session.id, domain, name, o);
                 });
        // A session that cannot be read (gone meanwhile, not ours to see) is
        // not the user's as far as we can tell.
        if (query != NERR_Success) continue;
        if (!SameUser(user, domain, name)) continue;
        const NET_API_STATUS sent =
            Call(mBinding, winsta::kOpSendMessage,
                 winsta::EncodeSendMessage(server, session.id, title, text),
                 [](const std::vector<std::uint8_t>& reply, winsta::Outcome& o) {
                     return winsta::DecodeSendMessage(reply, o);
                 });
        if (sent == NERR_Success)
            reached.push_back({session.id, session.station});
        else
            failure = sent;
    }
    // The server handle goes whatever happened; its answer changes nothing.
    std::vector<std::uint8_t> closed;
    mBinding.Call(winsta::kOpCloseServer, winsta::EncodeCloseServer(server), closed);
    if (status != NERR_Success) return status;
    return reached.empty() ? failure : NERR_Success;
}

}  // namespace smb
