#pragma once
// A provider for tests: it records every call with its arguments and answers
// what the test scripted. Install it with ScriptedNetwork, which also checks
// that no buffer was left behind.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "netenum/MessageTarget.h"
#include "netenum/Provider.h"
#include "netenum/netapi.h"

namespace testing_support {

struct RecordedCall {
    std::string name;
    std::vector<netapi::OptString> args;
    netapi::DWORD number = 0;
};

class ScriptedProvider final : public netapi::Provider {
public:
    // Answers. A status set in `fail` for a call name wins over everything
    // else; "NetSessionEnum/502" fails that call at that level (or with that
    // number) only.
    std::map<std::string, netapi::NET_API_STATUS> fail;
    netapi::EnumResult<netapi::FileInfo3> files;
    netapi::EnumResult<netapi::SessionInfo502> sessions;
    netapi::EnumResult<netapi::ShareInfo2> shares;
    netapi::EnumResult<netapi::ConnectionInfo1> connections;
    netapi::EnumResult<netapi::ServerInfo101> servers;
    netapi::ServerInfo101 serverInfo;
    netapi::TimeOfDay timeOfDay;
    std::map<std::u16string, netapi::UserInfo3> users;
    // The one server holding `users` (any server when empty); others answer 2221.
    std::u16string usersOn;
    // NetGetAnyDCName's answers by domain as asked ("" for the server's own).
    std::map<std::u16string, std::u16string> domainControllers;
    std::map<netapi::DWORD, netapi::NET_API_STATUS> closeStatus;  // per file id
    std::u16string localName = u"TESTHOST";
    std::u16string startupNotice;
    // Failures come with an (empty) buffer, as from some servers.
    bool bufferOnFailure = false;

    std::vector<RecordedCall> calls;
    // Runs at the start of every call, on the thread that carries it out.
    std::function<void(const std::string& name)> onCall;
    std::vector<RecordedCall> CallsNamed(const std::string& name) const;

    netapi::EnumResult<netapi::FileInfo3> FileEnum(const netapi::OptString& server,
                                                   const netapi::OptString& basepath,
                                                   const netapi::OptString& user) override;
    netapi::NET_API_STATUS FileClose(const netapi::OptString& server, netapi::DWORD fileid) override;
    // The record of `files` with that id, or 2314.
    netapi::NET_API_STATUS FileGetInfo(const netapi::OptString& server, netapi::DWORD fileid,
                                       netapi::FileInfo3& out) override;
    netapi::EnumResult<netapi::SessionInfo502> SessionEnum(const netapi::OptString& server,
                                                           const netapi::OptString& client,
                                                           const netapi::OptString& user,
                                                           netapi::DWORD level) override;
    netapi::NET_API_STATUS SessionDel(const netapi::OptString& server,
                                      const netapi::OptString& client,
                                      const netapi::OptString& user) override;
    netapi::EnumResult<netapi::ShareInfo2> ShareEnum(const netapi::OptString& server,
                                                     netapi::DWORD level) override;
    netapi::EnumResult<netapi::ConnectionInfo1> ConnectionEnum(
        const netapi::OptString& server, const netapi::OptString& qualifier) override;
    netapi::EnumResult<netapi::ServerInfo101> ServerEnum(netapi::DWORD servertype,
                                                         const netapi::OptString& domain) override;
    netapi::NET_API_STATUS ServerGetInfo(const netapi::OptString& server,
                                         netapi::ServerInfo101& out) override;
    netapi::NET_API_STATUS ServerSetComment(const netapi::OptString& server,
                                            const netapi::OptString& comment) override;
    netapi::NET_API_STATUS RemoteTOD(const netapi::OptString& server,
                                     netapi::TimeOfDay& out) override;
    netapi::NET_API_STATUS UserGetInfo(const netapi::OptString& server,
                                       const netapi::OptString& user,
                                       netapi::UserInfo3& out) override;
    netapi::NET_API_STATUS UserSetInfo(const netapi::OptString& server,
                                       const netapi::OptString& user,
                                       const netapi::UserInfo3& info) override;
    netapi::NET_API_STATUS MessageBufferSend(const netapi::OptString& server,
                                             const netapi::OptString& msgname,
                                             const netapi::OptString& fromname,
                                             const std::u16string& text) override;
    netapi::NET_API_STATUS LocalComputerName(std::u16string& out) override;
    netapi::NET_API_STATUS GetAnyDCName(const netapi::OptString& server,
                                        const netapi::OptString& domain,
                                        std::u16string& out) override;
    std::u16string StartupNotice() const override { return startupNotice; }
    bool FailuresCarryBuffer() const override { return bufferOnFailure; }
    void RetryComputer(const netapi::OptString& server) override { Record("RetryComputer", {server}); }
    void RetryAllComputers() override { Record("RetryAllComputers", {}); }
    // A name resolves unless `fail` says otherwise for "NetResolveComputer".
    netapi::NET_API_STATUS ResolveComputer(const netapi::OptString& server) override {
        return Record("NetResolveComputer", {server});
    }
    // Log-ons only where the test says the network has them.
    bool logsOn = false;
    bool HasLogOns() const override { return logsOn; }
    netapi::NET_API_STATUS LogOnAs(const netapi::OptString& server) override {
        return Record("NetLogOnAs", {server});
    }
    void ForgetLogOn(const netapi::OptString& server) override { Record("NetForgetLogOn", {server}); }

private:
    netapi::NET_API_STATUS Record(const std::string& name, std::vector<netapi::OptString> args,
                                  netapi::DWORD number = 0);
    template <typename R>
    netapi::EnumResult<R> Answer(const std::string& name, std::vector<netapi::OptString> args,
                                 const netapi::EnumResult<R>& scripted, netapi::DWORD number = 0);
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
    ScriptedNetwork();
    ~ScriptedNetwork();
    ScriptedProvider& provider() { return *mProvider; }
    RecordingSink& sink() { return mSink; }
    std::string Messages() const;  // the sink's text as UTF-8, for assertions

private:
    std::shared_ptr<ScriptedProvider> mProvider;
    RecordingSink mSink;
    netenum::MessageSink* mPrevious;
};

// A fixture run twice, the second time with failures that carry a buffer:
// a caller that forgets to release one is caught when the test ends.
class LeakCheckedNetwork : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { net.provider().bufferOnFailure = GetParam(); }
    void TearDown() override { EXPECT_EQ(netapi::LiveBufferCount(), 0u); }
    ScriptedNetwork net;
};

std::u16string U(const std::string& utf8);
std::string S(const std::u16string& utf16);

}  // namespace testing_support
