#include "SimulatedNetwork.h"

#include <algorithm>
#include <thread>

#include "ComputerModel.h"
#include "ScenarioError.h"
#include "netenum/CallControl.h"
#include "text/Text.h"

namespace sim {

using netapi::NET_API_STATUS;

struct SimulatedNetwork::Gate {
    ComputerModel* computer = nullptr;  // null: answer `status`
    NET_API_STATUS status = netapi::NERR_Success;
    const Fault* partial = nullptr;
};

SimulatedNetwork::SimulatedNetwork(Scenario scenario, const std::string& sourceName)
    : mNetworkFaults(std::move(scenario.faults)),
      mClock([] { return std::chrono::system_clock::now(); }),
      mSleeper(WaitOnItsOwn) {
    std::unordered_map<std::u16string, std::size_t> firstAt;
    std::size_t localAt = 0;
    for (std::size_t i = 0; i < scenario.computers.size(); ++i) {
        const std::string place = "/computers/" + std::to_string(i);
        auto model = std::make_unique<ComputerModel>(std::move(scenario.computers[i]), sourceName, place);
        const auto [it, fresh] = firstAt.emplace(text::ToLower(model->Name()), i);
        if (!fresh)
            throw ScenarioError(sourceName, place + "/name",
                                "duplicate computer name \"" + text::ToUtf8(model->Name()) +
                                    "\" (also at /computers/" + std::to_string(it->second) + ")");
        if (model->IsLocal()) {
            if (mLocal != nullptr)
                throw ScenarioError(sourceName, place + "/local",
                                    "a second local computer (the first is at /computers/" +
                                        std::to_string(localAt) + ")");
            mLocal = model.get();
            localAt = i;
        }
        mByName.emplace(it->first, model.get());
        mComputers.push_back(std::move(model));
    }
    for (std::size_t i = 0; i < mNetworkFaults.size(); ++i)
        CheckFault(mNetworkFaults[i], true, false, sourceName, "/faults/" + std::to_string(i));
    const auto now = mClock();
    for (auto& c : mComputers) c->StartActivityClock(now);
}

SimulatedNetwork::~SimulatedNetwork() = default;

void SimulatedNetwork::WaitOnItsOwn(std::chrono::milliseconds delay) {
    // Like a computer that never answers: the wait ends by the call's
    // deadline, or at once when nobody waits for the call any more.
    const auto until = std::chrono::steady_clock::now() + delay;
    const netapi::CallControl* call = netapi::CurrentCall();
    constexpr std::chrono::milliseconds kSlice{20};
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until || (call != nullptr && call->Over())) return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kSlice, until - now));
    }
}

namespace {

// A name the caller gave, or empty for none.
std::u16string_view NameOf(const OptString& name) {
    return name ? std::u16string_view(*name) : std::u16string_view();
}

// A lookup's answer: the computer's `look` for each question, in order.
template <typename Question, typename Look>
auto EachLookedUp(const std::vector<Question>& asked, Look look,
                  std::vector<netapi::AccountLookup>& out) {
    out.clear();
    return [&asked, look, &out](const ComputerModel& c) {
        for (const auto& question : asked) out.push_back((c.*look)(question));
        return netapi::NERR_Success;
    };
}

}  // namespace

ComputerModel* SimulatedNetwork::Resolve(const OptString& server) const {
    if (!server || server->empty()) return mLocal;
    const auto it = mByName.find(text::ToLower(text::StripUnc(*server)));
    return it == mByName.end() ? nullptr : it->second;
}

NET_API_STATUS SimulatedNetwork::ResolveComputer(const OptString& server) {
    std::unique_lock lock(mLock);
    return Resolve(server) != nullptr ? netapi::NERR_Success : netapi::WSAHOST_NOT_FOUND;
}

template <typename Answer>
NET_API_STATUS SimulatedNetwork::Answered(const OptString& server, Call call,
                                          std::optional<DWORD> id,
                                          std::initializer_list<std::u16string_view> names,
                                          Answer answer) {
    std::unique_lock lock(mLock);
    const Gate gate = Enter(lock, server, call, id, names);
    if (gate.computer == nullptr) return gate.status;
    return answer(*gate.computer);
}

NET_API_STATUS SimulatedNetwork::Unreachable(std::unique_lock<std::mutex>& lock, DWORD delayMs) {
    const Sleeper sleeper = mSleeper;
    lock.unlock();  // others may use the network while this call waits
    if (delayMs > 0 && sleeper) sleeper(std::chrono::milliseconds(delayMs));
    // A call that ran out of time before the computer's own delay did ended
    // as a real one would: past its deadline, or given up.
    if (const netapi::CallControl* call = netapi::CurrentCall(); call != nullptr && call->Over())
        return call->GivenUp() ? netapi::ERROR_CANCELLED : netapi::ERROR_SEM_TIMEOUT;
    return netapi::ERROR_BAD_NETPATH;
}

// Finds the computer, brings its scripted activity up to now and applies its
// faults. A Gate without a computer carries the answer.
SimulatedNetwork::Gate SimulatedNetwork::Enter(std::unique_lock<std::mutex>& lock,
                                               const OptString& server, Call call,
                                               std::optional<DWORD> id,
                                               std::initializer_list<std::u16string_view> names) {
    Gate gate;
    ComputerModel* computer = Resolve(server);
    if (computer == nullptr) {
        gate.status = netapi::ERROR_BAD_NETPATH;
        return gate;
    }
    if (computer->UnreachableDelay()) {
        gate.status = Unreachable(lock, *computer->UnreachableDelay());
        return gate;
    }
    computer->CatchUp(mClock());
    if (const Fault* fault = computer->FindFault(call, id, names)) {
        switch (fault->kind) {
        case Fault::Kind::Status:
            gate.status = fault->status;
            return gate;
        case Fault::Kind::Unreachable:
            gate.status = Unreachable(lock, fault->delay_ms);
            return gate;
        case Fault::Kind::Partial:
            gate.partial = fault;
            break;
        }
    }
    gate.computer = computer;
    return gate;
}

template <typename Record>
netapi::EnumResult<Record> SimulatedNetwork::Listed(std::vector<Record> records, const Fault* partial) {
    netapi::EnumResult<Record> result;
    result.total = static_cast<DWORD>(records.size());
    if (partial != nullptr) {
        result.status = netapi::ERROR_MORE_DATA;
        if (records.size() > partial->partial) records.resize(partial->partial);
    }
    result.records = std::move(records);
    return result;
}

template <typename Record, typename List>
netapi::EnumResult<Record> SimulatedNetwork::ListedBy(
    const OptString& server, Call call, std::initializer_list<std::u16string_view> names,
    List list) {
    std::unique_lock lock(mLock);
    const Gate gate = Enter(lock, server, call, std::nullopt, names);
    if (gate.computer == nullptr) return {gate.status, {}, 0};
    std::vector<Record> records;
    const NET_API_STATUS status = list(*gate.computer, records);
    if (status != netapi::NERR_Success) return {status, {}, 0};
    return Listed(std::move(records), gate.partial);
}

netapi::EnumResult<netapi::FileInfo3> SimulatedNetwork::FileEnum(const OptString& server,
                                                                 const OptString& basepath,
                                                                 const OptString& user) {
    return ListedBy<netapi::FileInfo3>(server, Call::NetFileEnum, {},
                                       [&](ComputerModel& c, auto& out) {
                                           out = c.Files(basepath, user);
                                           return netapi::NERR_Success;
                                       });
}

NET_API_STATUS SimulatedNetwork::FileClose(const OptString& server, DWORD fileid) {
    return Answered(server, Call::NetFileClose, fileid, {},
                    [&](ComputerModel& c) { return c.CloseFile(fileid); });
}

NET_API_STATUS SimulatedNetwork::FileGetInfo(const OptString& server, DWORD fileid,
                                            netapi::FileInfo3& out) {
    out = {};
    return Answered(server, Call::NetFileGetInfo, fileid, {},
                    [&](ComputerModel& c) { return c.FileById(fileid, out); });
}

netapi::EnumResult<netapi::SessionInfo502> SimulatedNetwork::SessionEnum(const OptString& server,
                                                                         const OptString& client,
                                                                         const OptString& user,
                                                                         DWORD) {
    // Every level is answered from the whole record; netapi packs what the level carries.
    return ListedBy<netapi::SessionInfo502>(
        server, Call::NetSessionEnum, {},
        [&](ComputerModel& c, auto& out) { return c.Sessions(client, user, out); });
}

NET_API_STATUS SimulatedNetwork::SessionDel(const OptString& server, const OptString& client,
                                            const OptString& user) {
    return Answered(server, Call::NetSessionDel, std::nullopt,
                    {text::StripUnc(NameOf(client)), NameOf(user)},
                    [&](ComputerModel& c) { return c.DeleteSessions(client, user); });
}

netapi::EnumResult<netapi::ShareInfo2> SimulatedNetwork::ShareEnum(const OptString& server, DWORD) {
    return ListedBy<netapi::ShareInfo2>(server, Call::NetShareEnum, {},
                                        [](ComputerModel& c, auto& out) {
                                            out = c.Shares();
                                            return netapi::NERR_Success;
                                        });
}

netapi::EnumResult<netapi::ConnectionInfo1> SimulatedNetwork::ConnectionEnum(
    const OptString& server, const OptString& qualifier) {
    return ListedBy<netapi::ConnectionInfo1>(
        server, Call::NetConnectionEnum, {text::StripUnc(NameOf(qualifier))},
        [&](ComputerModel& c, auto& out) { return c.Connections(qualifier, out); });
}

// The browse list: every computer whose type shares a bit with the mask, in
// scenario order. Unreachable computers are listed too, as browsers do.
netapi::EnumResult<netapi::ServerInfo101> SimulatedNetwork::ServerEnum(DWORD servertype,
                                                                       const OptString&) {
    std::unique_lock lock(mLock);
    const Fault* partial = nullptr;
    if (!mNetworkFaults.empty()) {
        const Fault& fault = mNetworkFaults.front();
        switch (fault.kind) {
        case Fault::Kind::Status:
            return {fault.status, {}, 0};
        case Fault::Kind::Unreachable:
            return {Unreachable(lock, fault.delay_ms), {}, 0};
        case Fault::Kind::Partial:
            partial = &fault;
            break;
        }
    }
    std::vector<netapi::ServerInfo101> records;
    for (const auto& c : mComputers)
        if (servertype == netapi::SV_TYPE_ALL || (c->Type() & servertype) != 0)
            records.push_back(c->Info());
    return Listed(std::move(records), partial);
}

NET_API_STATUS SimulatedNetwork::ServerGetInfo(const OptString& server, netapi::ServerInfo101& out) {
    return Answered(server, Call::NetServerGetInfo, std::nullopt, {}, [&](ComputerModel& c) {
        out = c.Info();
        return netapi::NERR_Success;
    });
}

NET_API_STATUS SimulatedNetwork::ServerSetComment(const OptString& server, const OptString& comment) {
    return Answered(server, Call::NetServerSetInfo, std::nullopt, {}, [&](ComputerModel& c) {
        c.SetComment(comment);
        return netapi::NERR_Success;
    });
}

NET_API_STATUS SimulatedNetwork::RemoteTOD(const OptString& server, netapi::TimeOfDay& out) {
    return Answered(server, Call::NetRemoteTOD, std::nullopt, {}, [&](ComputerModel& c) {
        out = c.TimeOfDay(mClock());
        return netapi::NERR_Success;
    });
}

NET_API_STATUS SimulatedNetwork::UserGetInfo(const OptString& server, const OptString& user,
                                             netapi::UserInfo3& out) {
    return Answered(server, Call::NetUserGetInfo, std::nullopt, {NameOf(user)},
                    [&](ComputerModel& c) { return c.GetUser(user, out); });
}

NET_API_STATUS SimulatedNetwork::UserSetInfo(const OptString& server, const OptString& user,
                                             const netapi::UserInfo3& info) {
    return Answered(server, Call::NetUserSetInfo, std::nullopt, {NameOf(user)},
                    [&](ComputerModel& c) { return c.SetUser(user, info); });
}

// The message leaves from `server` and reaches whichever reachable computer
// has registered the recipient's name.
NET_API_STATUS SimulatedNetwork::MessageBufferSend(const OptString& server, const OptString& msgname,
                                                   const OptString& fromname,
                                                   const std::u16string& text) {
    std::unique_lock lock(mLock);
    if (!msgname || msgname->empty()) return netapi::ERROR_INVALID_PARAMETER;
    const Gate gate = Enter(lock, server, Call::NetMessageBufferSend, std::nullopt, {*msgname});
    if (gate.computer == nullptr) return gate.status;
    const bool known = std::any_of(mComputers.begin(), mComputers.end(), [&](const auto& c) {
        return !c->UnreachableDelay() && c->AcceptsMessagesFor(*msgname);
    });
    if (!known) return netapi::NERR_NameNotFound;
    mSent.push_back({gate.computer->Name(), *msgname, fromname, text});
    return netapi::NERR_Success;
}

NET_API_STATUS SimulatedNetwork::ShareAdd(const OptString& server, DWORD level,
                                          const netapi::ShareDetails& share, DWORD& parm_err) {
    parm_err = 0;
    if (level != 2 && level != 502) return netapi::ERROR_INVALID_LEVEL;
    return Answered(server, Call::NetShareAdd, std::nullopt, {NameOf(share.netname)},
                    [&](ComputerModel& c) {
                        netapi::ShareDetails added = share;
                        if (level == 2) added.security_descriptor.reset();
                        return c.AddShare(added, parm_err);
                    });
}

NET_API_STATUS SimulatedNetwork::ShareDel(const OptString& server, const std::u16string& netname) {
    return Answered(server, Call::NetShareDel, std::nullopt, {netname},
                    [&](ComputerModel& c) { return c.DeleteShare(netname); });
}

NET_API_STATUS SimulatedNetwork::ShareGetInfo(const OptString& server, const std::u16string& netname,
                                              DWORD level, netapi::ShareDetails& out) {
    if (level != 2 && level != 502 && level != 1005) return netapi::ERROR_INVALID_LEVEL;
    return Answered(server, Call::NetShareGetInfo, std::nullopt, {netname},
                    [&](ComputerModel& c) { return c.GetShare(netname, out); });
}

NET_API_STATUS SimulatedNetwork::ShareSetInfo(const OptString& server, const std::u16string& netname,
                                              DWORD level, const netapi::ShareDetails& share,
                                              DWORD& parm_err) {
    parm_err = 0;
    ++mShareSetInfoCalls;
    return Answered(server, Call::NetShareSetInfo, std::nullopt, {netname},
                    [&](ComputerModel& c) { return c.SetShare(netname, level, share, parm_err); });
}

// Account lookups read the computer's accounts: NetUserGetInfo faults hit them too.
NET_API_STATUS SimulatedNetwork::LookupNames(const OptString& server,
                                             const std::vector<std::u16string>& names,
                                             std::vector<netapi::AccountLookup>& out) {
    return Answered(server, Call::NetUserGetInfo, std::nullopt, {},
                    EachLookedUp(names, &ComputerModel::LookupName, out));
}

NET_API_STATUS SimulatedNetwork::LookupSids(const OptString& server,
                                            const std::vector<netapi::Sid>& sids,
                                            std::vector<netapi::AccountLookup>& out) {
    return Answered(server, Call::NetUserGetInfo, std::nullopt, {},
                    EachLookedUp(sids, &ComputerModel::LookupSid, out));
}

// The program's own computer; only GetComputerName faults touch it, since
// the name is read locally and never crosses the network.
NET_API_STATUS SimulatedNetwork::LocalComputerName(std::u16string& out) {
    std::unique_lock lock(mLock);
    if (mLocal == nullptr) return netapi::ERROR_NOT_SUPPORTED;
    if (const Fault* fault = mLocal->FindFault(Call::GetComputerName, std::nullopt, {})) {
        if (fault->kind == Fault::Kind::Unreachable) return Unreachable(lock, fault->delay_ms);
        if (fault->kind == Fault::Kind::Status) return fault->status;
    }
    out = mLocal->Name();
    return netapi::NERR_Success;
}

void SimulatedNetwork::SetClock(Clock clock) {
    std::unique_lock lock(mLock);
    mClock = std::move(clock);
    const auto now = mClock();
    for (auto& c : mComputers) c->StartActivityClock(now);
}

void SimulatedNetwork::SetSleeper(Sleeper sleeper) {
    std::unique_lock lock(mLock);
    mSleeper = std::move(sleeper);
}

std::vector<SimulatedNetwork::SentMessage> SimulatedNetwork::SentMessages() const {
    std::unique_lock lock(mLock);
    return mSent;
}

bool SimulatedNetwork::AddFault(std::u16string_view computer, Fault fault) {
    std::unique_lock lock(mLock);
    if (fault.call == Call::NetServerEnum) {
        mNetworkFaults.push_back(std::move(fault));
        return true;
    }
    ComputerModel* c = Resolve(std::u16string(computer));
    if (c == nullptr) return false;
    c->AddFault(std::move(fault));
    return true;
}

void SimulatedNetwork::ClearFaults() {
    std::unique_lock lock(mLock);
    mNetworkFaults.clear();
    for (auto& c : mComputers) c->ClearFaults();
}

std::uint64_t SimulatedNetwork::ActivitySteps(std::u16string_view computer) const {
    std::unique_lock lock(mLock);
    const ComputerModel* c = Resolve(std::u16string(computer));
    return c == nullptr ? 0 : c->ActivitySteps();
}

}  // namespace sim
