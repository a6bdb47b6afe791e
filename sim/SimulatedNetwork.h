#pragma once
// A whole network in memory that answers the network calls the way Windows
// servers do: names are resolved without regard to letter case, "" or a null
// name is the local computer, a "\\" prefix is accepted, an unknown computer
// answers 53. Calls change the model (closing a file removes it, deleting a
// session removes its connections and open files) and injected faults make
// chosen calls fail. Used by the demo and by the tests.
#include <atomic>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Scenario.h"
#include "netenum/Provider.h"

namespace sim {

class ComputerModel;

class SimulatedNetwork final : public netapi::Provider {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    using Sleeper = std::function<void(std::chrono::milliseconds)>;

    struct SentMessage {
        std::u16string computer;  // the computer that sent it
        std::u16string recipient;
        OptString sender;
        std::u16string text;
    };

    // Checks the scenario and builds the network; throws ScenarioError naming
    // `sourceName`, the place and the fault.
    explicit SimulatedNetwork(Scenario scenario, const std::string& sourceName = "scenario");
    ~SimulatedNetwork() override;
    SimulatedNetwork(const SimulatedNetwork&) = delete;
    SimulatedNetwork& operator=(const SimulatedNetwork&) = delete;

    netapi::EnumResult<netapi::FileInfo3> FileEnum(const OptString& server, const OptString& basepath,
                                                   const OptString& user) override;
    netapi::NET_API_STATUS FileClose(const OptString& server, DWORD fileid) override;
    netapi::NET_API_STATUS FileGetInfo(const OptString& server, DWORD fileid,
                                       netapi::FileInfo3& out) override;
    netapi::EnumResult<netapi::SessionInfo502> SessionEnum(const OptString& server,
                                                           const OptString& client,
                                                           const OptString& user,
                                                           DWORD level) override;
    netapi::NET_API_STATUS SessionDel(const OptString& server, const OptString& client,
                                      const OptString& user) override;
    netapi::EnumResult<netapi::ShareInfo2> ShareEnum(const OptString& server, DWORD level) override;
    netapi::EnumResult<netapi::ConnectionInfo1> ConnectionEnum(const OptString& server,
                                                               const OptString& qualifier) override;
    netapi::EnumResult<netapi::ServerInfo101> ServerEnum(DWORD servertype,
                                                         const OptString& domain) override;
    netapi::NET_API_STATUS ServerGetInfo(const OptString& server, netapi::ServerInfo101& out) override;
    netapi::NET_API_STATUS ServerSetComment(const OptString& server, const OptString& comment) override;
    netapi::NET_API_STATUS RemoteTOD(const OptString& server, netapi::TimeOfDay& out) override;
    netapi::NET_API_STATUS UserGetInfo(const OptString& server, const OptString& user,
                                       netapi::UserInfo3& out) override;
    netapi::NET_API_STATUS UserSetInfo(const OptString& server, const OptString& user,
                                       const netapi::UserInfo3& info) override;
    netapi::NET_API_STATUS MessageBufferSend(const OptString& server, const OptString& msgname,
                                             const OptString& fromname,
                                             const std::u16string& text) override;
    netapi::NET_API_STATUS LocalComputerName(std::u16string& out) override;
    netapi::NET_API_STATUS ShareAdd(const OptString& server, DWORD level, const netapi::ShareDetails& share,
                            DWORD& parm_err) override;
    netapi::NET_API_STATUS ShareDel(const OptString& server, const std::u16string& netname) override;
    netapi::NET_API_STATUS ShareGetInfo(const OptString& server, const std::u16string& netname, DWORD level,
                                netapi::ShareDetails& out) override;
    netapi::NET_API_STATUS ShareSetInfo(const OptString& server, const std::u16string& netname, DWORD level,
                                const netapi::ShareDetails& share, DWORD& parm_err) override;
    // How many NetShareSetInfo calls reached this network, answered or not:
    // for checks that a change is written once, and only when it is one.
    std::size_t ShareSetInfoCalls() const { return mShareSetInfoCalls; }
    // Names and SIDs as the computer itself knows them; an unknown computer 53.
    netapi::NET_API_STATUS LookupNames(const OptString& server, const std::vector<std::u16string>& names,
                               std::vector<netapi::AccountLookup>& out) override;
    netapi::NET_API_STATUS LookupSids(const OptString& server, const std::vector<netapi::Sid>& sids,
                              std::vector<netapi::AccountLookup>& out) override;
    // The scenario's computers are the names there are.
    netapi::NET_API_STATUS ResolveComputer(const OptString& server) override;

    // Test knobs. The clock gives "now" for NetRemoteTOD and drives the
    // scripted activity (setting it restarts the count of elapsed periods);
    // the sleeper waits out the delay of an unreachable computer.
    void SetClock(Clock clock);
    void SetSleeper(Sleeper sleeper);

    // Messages delivered by NetMessageBufferSend, oldest first.
    std::vector<SentMessage> SentMessages() const;

    // Faults added or removed while running. AddFault returns false for an
    // unknown computer ("" is the local one); a NetServerEnum fault goes to
    // the network whatever the computer.
    bool AddFault(std::u16string_view computer, Fault fault);
    void ClearFaults();

    // Scripted-activity steps applied so far on that computer (0 without activity).
    std::uint64_t ActivitySteps(std::u16string_view computer) const;

private:
    struct Gate;
    static void WaitOnItsOwn(std::chrono::milliseconds delay);
    ComputerModel* Resolve(const OptString& server) const;
    Gate Enter(std::unique_lock<std::mutex>& lock, const OptString& server, Call call,
               std::optional<DWORD> id = std::nullopt,
               std::initializer_list<std::u16string_view> names = {});
    netapi::NET_API_STATUS Unreachable(std::unique_lock<std::mutex>& lock, DWORD delayMs);
    // A call one computer answers with a status: `answer(computer)`, under the
    // network's lock, once the gate lets the call through.
    template <typename Answer>
    netapi::NET_API_STATUS Answered(const OptString& server, Call call, std::optional<DWORD> id,
                                    std::initializer_list<std::u16string_view> names,
                                    Answer answer);
    template <typename Record>
    static netapi::EnumResult<Record> Listed(std::vector<Record> records, const Fault* partial);
    // An enumeration one computer answers: `list(computer, records)` fills the
    // records and gives the status, under the network's lock, once the gate
    // lets the call through.
    template <typename Record, typename List>
    netapi::EnumResult<Record> ListedBy(const OptString& server, Call call,
                                        std::initializer_list<std::u16string_view> names,
                                        List list);

    mutable std::mutex mLock;
    std::atomic<std::size_t> mShareSetInfoCalls{0};
    std::vector<std::unique_ptr<ComputerModel>> mComputers;
    std::unordered_map<std::u16string, ComputerModel*> mByName;  // lower-case names
    ComputerModel* mLocal = nullptr;
    std::vector<Fault> mNetworkFaults;
    std::vector<SentMessage> mSent;
    Clock mClock;
    Sleeper mSleeper;
};

}  // namespace sim
