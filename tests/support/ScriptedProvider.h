#pragma once
// A provider for tests: it records every call with its arguments and answers
// what the test scripted. Install it with ScriptedNetwork, which also checks
// that no buffer was left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "netenum/MessageTarget.h"
#include "netenum/Provider.h"
#include "netenum/netapi.h"
#include "text/Text.h"

namespace testing_support {

using netapi::DWORD;
using netapi::EnumResult;
using netapi::NET_API_STATUS;
using netapi::OptString;

struct RecordedCall {
    std::string name;
    std::vector<OptString> args;
    DWORD number = 0;
};

class ScriptedProvider final : public netapi::Provider {
public:
    // Answers. A status set in `fail` for a call name wins over everything
    // else; "NetSessionEnum/502" fails that call at that level (or with that
    // number) only.
    std::map<std::string, NET_API_STATUS> fail;
    EnumResult<netapi::FileInfo3> files;
    EnumResult<netapi::SessionInfo502> sessions;
    EnumResult<netapi::ShareInfo2> shares;
    EnumResult<netapi::ConnectionInfo1> connections;
    EnumResult<netapi::ServerInfo101> servers;
    netapi::ServerInfo101 serverInfo;
    netapi::TimeOfDay timeOfDay;
    std::map<std::u16string, netapi::UserInfo3> users;
    std::u16string usersOn;  // the one server holding `users` (any when empty); others answer 2221
    // NetGetAnyDCName's answers by domain as asked ("" for the server's own).
    std::map<std::u16string, std::u16string> domainControllers;
    std::map<DWORD, NET_API_STATUS> closeStatus;  // per file id
    std::u16string localName = u"TESTHOST";
    std::u16string startupNotice;
    bool bufferOnFailure = false;  // failures come with an (empty) buffer, as from some servers
    bool logsOn = false;           // log-ons only where the test says the network has them

    std::vector<RecordedCall> calls;
    // Runs at the start of every call, on the thread that carries it out.
    std::function<void(const std::string& name)> onCall;
    std::vector<RecordedCall> CallsNamed(const std::string& name) const {
        std::vector<RecordedCall> out;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(out), [&](auto& c) { return c.name == name; });
        return out;
    }

    EnumResult<netapi::FileInfo3> FileEnum(const OptString& server, const OptString& basepath,
                                           const OptString& user) override {
        return Answer("NetFileEnum", {server, basepath, user}, files);
    }
    NET_API_STATUS FileClose(const OptString& server, DWORD fileid) override {
        const NET_API_STATUS status = Record("NetFileClose", {server}, fileid);
        return status != 0 || !closeStatus.contains(fileid) ? status : closeStatus[fileid];
    }
    // The record of `files` with that id, or 2314.
    NET_API_STATUS FileGetInfo(const OptString& server, DWORD fileid, netapi::FileInfo3& out) override {
        out = {};
        const NET_API_STATUS status = Record("NetFileGetInfo", {server}, fileid);
        const auto f =
            std::find_if(files.records.begin(), files.records.end(), [&](auto& r) { return r.id == fileid; });
        if (status != 0 || f == files.records.end()) return status != 0 ? status : netapi::NERR_FileIdNotFound;
        return Give(0, *f, out);
    }
    EnumResult<netapi::SessionInfo502> SessionEnum(const OptString& server, const OptString& client,
                                                   const OptString& user, DWORD level) override {
        return Answer("NetSessionEnum", {server, client, user}, sessions, level);
    }
    NET_API_STATUS SessionDel(const OptString& server, const OptString& client,
                              const OptString& user) override {
        return Record("NetSessionDel", {server, client, user});
    }
    EnumResult<netapi::ShareInfo2> ShareEnum(const OptString& server, DWORD level) override {
        return Answer("NetShareEnum", {server}, shares, level);
    }
    EnumResult<netapi::ConnectionInfo1> ConnectionEnum(const OptString& server,
                                                       const OptString& qualifier) override {
        return Answer("NetConnectionEnum", {server, qualifier}, connections);
    }
    EnumResult<netapi::ServerInfo101> ServerEnum(DWORD type, const OptString& domain) override {
        const NET_API_STATUS status = Record("NetServerEnum", {domain}, type);
        return status != 0 ? EnumResult<netapi::ServerInfo101>{status, {}, 0} : servers;
    }
    NET_API_STATUS ServerGetInfo(const OptString& server, netapi::ServerInfo101& out) override {
        return Give(Record("NetServerGetInfo", {server}), serverInfo, out);
    }
    NET_API_STATUS ServerSetComment(const OptString& server, const OptString& comment) override {
        return Give(Record("NetServerSetInfo", {server, comment}), comment, serverInfo.comment);
    }
    NET_API_STATUS RemoteTOD(const OptString& server, netapi::TimeOfDay& out) override {
        return Give(Record("NetRemoteTOD", {server}), timeOfDay, out);
    }
    NET_API_STATUS UserGetInfo(const OptString& server, const OptString& user,
                               netapi::UserInfo3& out) override {
        netapi::UserInfo3* held = Held(Record("NetUserGetInfo", {server, user}), server, user);
        return held == nullptr ? heldStatus : (out = *held, 0);
    }
    NET_API_STATUS UserSetInfo(const OptString& server, const OptString& user,
                               const netapi::UserInfo3& info) override {
        netapi::UserInfo3* held = Held(Record("NetUserSetInfo", {server, user}, info.flags), server, user);
        return held == nullptr ? heldStatus : (*held = info, 0);
    }
    NET_API_STATUS MessageBufferSend(const OptString& server, const OptString& msgname,
                                     const OptString& fromname, const std::u16string& text) override {
        return Record("NetMessageBufferSend", {server, msgname, fromname, text},
                      static_cast<DWORD>(text.size() * 2));
    }
    NET_API_STATUS LocalComputerName(std::u16string& out) override {
        return Give(Record("GetComputerName", {}), localName, out);
    }
    NET_API_STATUS GetAnyDCName(const OptString& server, const OptString& domain,
                                std::u16string& out) override {
        const NET_API_STATUS status = Record("NetGetAnyDCName", {server, domain});
        const auto it = domainControllers.find(domain.value_or(u""));
        if (status != 0 || it == domainControllers.end()) return status != 0 ? status : netapi::NERR_DCNotFound;
        return Give(0, it->second, out);
    }
    std::u16string StartupNotice() const override { return startupNotice; }
    bool FailuresCarryBuffer() const override { return bufferOnFailure; }
    void RetryComputer(const OptString& server) override { Record("RetryComputer", {server}); }
    void RetryAllComputers() override { Record("RetryAllComputers", {}); }
    // A name resolves unless `fail` says otherwise for "NetResolveComputer".
    NET_API_STATUS ResolveComputer(const OptString& server) override {
        return Record("NetResolveComputer", {server});
    }
    bool HasLogOns() const override { return logsOn; }
    NET_API_STATUS LogOnAs(const OptString& server) override { return Record("NetLogOnAs", {server}); }
    void ForgetLogOn(const OptString& server) override { Record("NetForgetLogOn", {server}); }

private:
    NET_API_STATUS Record(const std::string& name, std::vector<OptString> args, DWORD number = 0) {
        calls.push_back({name, std::move(args), number});
        if (onCall) onCall(name);
        auto it = fail.find(name);
        if (it == fail.end()) it = fail.find(name + "/" + std::to_string(number));
        return it == fail.end() ? netapi::NERR_Success : it->second;
    }
    template <typename T>
    static NET_API_STATUS Give(NET_API_STATUS status, const T& value, T& out) {
        if (status == 0) out = value;
        return status;
    }
    template <typename R>
    EnumResult<R> Answer(const std::string& name, std::vector<OptString> args,
                         const EnumResult<R>& scripted, DWORD number = 0) {
        const NET_API_STATUS status = Record(name, std::move(args), number);
        if (status != 0) return {status, {}, 0};
        EnumResult<R> result = scripted;
        if (result.total < result.records.size()) result.total = static_cast<DWORD>(result.records.size());
        return result;
    }
    // The account a user call reaches, or null with the reason in heldStatus.
    NET_API_STATUS heldStatus = 0;
    netapi::UserInfo3* Held(NET_API_STATUS status, const OptString& server, const OptString& user) {
        const auto it = users.find(user.value_or(u""));
        const bool there = (usersOn.empty() || server.value_or(u"") == usersOn) && it != users.end();
        heldStatus = status != 0 ? status : there ? 0 : netapi::NERR_UserNotFound;
        return heldStatus == 0 ? &it->second : nullptr;
    }
};

// Collects the lines appended to the message target.
class RecordingSink final : public netenum::MessageSink {
public:
    std::u16string text;
    void AppendLine(const std::u16string& line) override { text += line; }
};

// Installs a fresh ScriptedProvider and a RecordingSink as the message target
// for the lifetime of a test, and removes both afterwards.
class ScriptedNetwork {
public:
    ScriptedNetwork() {
        netapi::SetProvider(mProvider);
        netenum::SetCurrentForm(&mSink);
    }
    ~ScriptedNetwork() {
        netenum::SetCurrentForm(mPrevious);
        netapi::SetProvider(nullptr);
    }
    ScriptedProvider& provider() { return *mProvider; }
    RecordingSink& sink() { return mSink; }
    std::string Messages() const { return text::ToUtf8(mSink.text); }  // for assertions

private:
    std::shared_ptr<ScriptedProvider> mProvider = std::make_shared<ScriptedProvider>();
    RecordingSink mSink;
    netenum::MessageSink* mPrevious = netenum::CurrentForm();
};

// A fixture run twice, the second time with failures that carry a buffer:
// a caller that forgets to release one is caught when the test ends.
class LeakCheckedNetwork : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { net.provider().bufferOnFailure = GetParam(); }
    void TearDown() override { EXPECT_EQ(netapi::LiveBufferCount(), 0u); }
    ScriptedNetwork net;
};

inline std::u16string U(const std::string& utf8) { return text::FromUtf8(utf8); }
inline std::string S(const std::u16string& utf16) { return text::ToUtf8(utf16); }

}  // namespace testing_support
