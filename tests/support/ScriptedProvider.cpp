#include "ScriptedProvider.h"

#include "text/Text.h"

namespace testing_support {

using namespace netapi;

std::vector<RecordedCall> ScriptedProvider::CallsNamed(const std::string& name) const {
    std::vector<RecordedCall> out;
    for (const auto& c : calls)
        if (c.name == name) out.push_back(c);
    return out;
}

NET_API_STATUS ScriptedProvider::Record(const std::string& name, std::vector<OptString> args,
                                        DWORD number) {
    calls.push_back({name, std::move(args), number});
    if (onCall) onCall(name);
    auto it = fail.find(name);
    if (it == fail.end()) it = fail.find(name + "/" + std::to_string(number));
    return it == fail.end() ? NERR_Success : it->second;
}

template <typename R>
EnumResult<R> ScriptedProvider::Answer(const std::string& name, std::vector<OptString> args,
                                       const EnumResult<R>& scripted, DWORD number) {
    const NET_API_STATUS status = Record(name, std::move(args), number);
    if (status != NERR_Success) return {status, {}, 0};
    EnumResult<R> result = scripted;
    if (result.total < result.records.size()) result.total = static_cast<DWORD>(result.records.size());
    return result;
}

EnumResult<FileInfo3> ScriptedProvider::FileEnum(const OptString& server, const OptString& basepath,
                                                 const OptString& user) {
    return Answer("NetFileEnum", {server, basepath, user}, files);
}

NET_API_STATUS ScriptedProvider::FileClose(const OptString& server, DWORD fileid) {
    const NET_API_STATUS status = Record("NetFileClose", {server}, fileid);
    if (status != NERR_Success) return status;
    const auto it = closeStatus.find(fileid);
    return it == closeStatus.end() ? NERR_Success : it->second;
}

NET_API_STATUS ScriptedProvider::FileGetInfo(const OptString& server, DWORD fileid,
                                             FileInfo3& out) {
    out = {};
    const NET_API_STATUS status = Record("NetFileGetInfo", {server}, fileid);
    if (status != NERR_Success) return status;
    for (const auto& f : files.records)
        if (f.id == fileid) {
            out = f;
            return NERR_Success;
        }
    return NERR_FileIdNotFound;
}

EnumResult<SessionInfo502> ScriptedProvider::SessionEnum(const OptString& server,
                                                         const OptString& client,
                                                         const OptString& user, DWORD level) {
    return Answer("NetSessionEnum", {server, client, user}, sessions, level);
}

NET_API_STATUS ScriptedProvider::SessionDel(const OptString& server, const OptString& client,
                                            const OptString& user) {
    return Record("NetSessionDel", {server, client, user});
}

EnumResult<ShareInfo2> ScriptedProvider::ShareEnum(const OptString& server, DWORD level) {
    return Answer("NetShareEnum", {server}, shares, level);
}

EnumResult<ConnectionInfo1> ScriptedProvider::ConnectionEnum(const OptString& server,
                                                             const OptString& qualifier) {
    return Answer("NetConnectionEnum", {server, qualifier}, connections);
}

EnumResult<ServerInfo101> ScriptedProvider::ServerEnum(DWORD servertype, const OptString& domain) {
    const NET_API_STATUS status = Record("NetServerEnum", {domain}, servertype);
    if (status != NERR_Success) return {status, {}, 0};
    return servers;
}

NET_API_STATUS ScriptedProvider::ServerGetInfo(const OptString& server, ServerInfo101& out) {
    const NET_API_STATUS status = Record("NetServerGetInfo", {server});
    if (status == NERR_Success) out = serverInfo;
    return status;
}

NET_API_STATUS ScriptedProvider::ServerSetComment(const OptString& server,
                                                  const OptString& comment) {
    const NET_API_STATUS status = Record("NetServerSetInfo", {server, comment});
    if (status == NERR_Success) serverInfo.comment = comment;
    return status;
}

NET_API_STATUS ScriptedProvider::RemoteTOD(const OptString& server, TimeOfDay& out) {
    const NET_API_STATUS status = Record("NetRemoteTOD", {server});
    if (status == NERR_Success) out = timeOfDay;
    return status;
}

NET_API_STATUS ScriptedProvider::UserGetInfo(const OptString& server, const OptString& user,
                                             UserInfo3& out) {
    const NET_API_STATUS status = Record("NetUserGetInfo", {server, user});
    if (status != NERR_Success) return status;
    if (!usersOn.empty() && server.value_or(u"") != usersOn) return NERR_UserNotFound;
    const auto it = users.find(user.value_or(u""));
    if (it == users.end()) return NERR_UserNotFound;
    out = it->second;
    return NERR_Success;
}

NET_API_STATUS ScriptedProvider::UserSetInfo(const OptString& server, const OptString& user,
                                             const UserInfo3& info) {
    const NET_API_STATUS status = Record("NetUserSetInfo", {server, user}, info.flags);
    if (status != NERR_Success) return status;
    if (!usersOn.empty() && server.value_or(u"") != usersOn) return NERR_UserNotFound;
    const auto it = users.find(user.value_or(u""));
    if (it == users.end()) return NERR_UserNotFound;
    it->second = info;
    return NERR_Success;
}

NET_API_STATUS ScriptedProvider::MessageBufferSend(const OptString& server, const OptString& msgname,
                                                   const OptString& fromname,
                                                   const std::u16string& text) {
    return Record("NetMessageBufferSend", {server, msgname, fromname, text},
                  static_cast<DWORD>(text.size() * 2));
}

NET_API_STATUS ScriptedProvider::LocalComputerName(std::u16string& out) {
    const NET_API_STATUS status = Record("GetComputerName", {});
    if (status == NERR_Success) out = localName;
    return status;
}

ScriptedNetwork::ScriptedNetwork()
    : mProvider(std::make_shared<ScriptedProvider>()), mPrevious(netenum::CurrentForm()) {
    netapi::SetProvider(mProvider);
    netenum::SetCurrentForm(&mSink);
}

ScriptedNetwork::~ScriptedNetwork() {
    netenum::SetCurrentForm(mPrevious);
    netapi::SetProvider(nullptr);
}

std::string ScriptedNetwork::Messages() const { return text::ToUtf8(mSink.text); }

std::u16string U(const std::string& utf8) { return text::FromUtf8(utf8); }
std::string S(const std::u16string& utf16) { return text::ToUtf8(utf16); }

NET_API_STATUS ScriptedProvider::GetAnyDCName(const OptString& server, const OptString& domain,
                                              std::u16string& out) {
    const NET_API_STATUS status = Record("NetGetAnyDCName", {server, domain});
    if (status != NERR_Success) return status;
    const auto it = domainControllers.find(domain.value_or(u""));
    if (it == domainControllers.end()) return netapi::NERR_DCNotFound;
    out = it->second;
    return NERR_Success;
}

}  // namespace testing_support
