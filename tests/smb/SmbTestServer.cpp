#include "SmbTestServer.h"

#include <algorithm>
#include <cstring>

#include "smb/DceRpcPdu.h"

namespace smbtest {

using smb::NdrWriter;

namespace {

// Each string's embedded pointer, then (deferred) the bodies of those set.
template <typename... S>
void Ptr(NdrWriter& w, const S&... s) {
    ((s ? (void)w.U32(w.Referent()) : (void)w.NullPointer()), ...);
}

template <typename... S>
void Body(NdrWriter& w, const S&... s) {
    ((s ? (void)w.ConformantString(*s) : void()), ...);
}

// Level, arm, container, array, deferred strings, then total, resume handle
// and status: the shape of every list.
template <typename Record, typename Fixed, typename Deferred>
Stub EnumReply(DWORD level, const std::vector<Record>& records, DWORD total, DWORD resume,
               DWORD status, Fixed fixed, Deferred deferred) {
    NdrWriter w;
    U32s(w, level, level, w.Referent(), records.size());
    if (records.empty()) {
        w.NullPointer();
    } else {
        U32s(w, w.Referent(), records.size());
        for (const auto& r : records) fixed(w, r);
        for (const auto& r : records) deferred(w, r);
    }
    U32s(w, total, w.Referent(), resume, status);
    return w.Take();
}

// The level where the reply has one, one record behind a unique pointer
// (null when absent), then the status.
template <typename Record, typename Write>
Stub PointedReply(std::optional<DWORD> level, const Record* record, DWORD status, Write write) {
    NdrWriter w;
    if (level) w.U32(*level);
    if (record == nullptr) {
        w.NullPointer();
    } else {
        w.U32(w.Referent());
        write(w, *record);
    }
    w.U32(status);
    return w.Take();
}

void FileFixed(NdrWriter& w, const netapi::FileInfo3& f) {
    U32s(w, f.id, f.permissions, f.num_locks);
    Ptr(w, f.pathname, f.username);
}

void FileDeferred(NdrWriter& w, const netapi::FileInfo3& f) { Body(w, f.pathname, f.username); }

void Header(NdrWriter& w, std::uint8_t ptype, std::uint8_t flags, std::uint32_t callId) {
    const std::uint8_t fixed[] = {5, 0, ptype, flags, 0x10, 0, 0, 0};
    w.Bytes(fixed, sizeof fixed);
    U32s(w, 0, callId);  // the lengths, set by Finish; the call id
}

Stub Finish(NdrWriter& w) {
    Stub pdu = w.Take();
    pdu[8] = static_cast<std::uint8_t>(pdu.size());
    pdu[9] = static_cast<std::uint8_t>(pdu.size() >> 8);
    return pdu;
}

// A response or a fault: the header, the alloc hint, context id 0 and cancel count 0, then `body`.
Stub ReplyPdu(std::uint8_t ptype, std::uint8_t flags, std::uint32_t callId, std::uint32_t allocHint,
              const Stub& body) {
    NdrWriter w;
    Header(w, ptype, flags, callId);
    U32s(w, allocHint, 0);
    w.Bytes(body.data(), body.size());
    return Finish(w);
}

}  // namespace

void CountedHeader(NdrWriter& w, const std::u16string& s) {
    w.U16(static_cast<std::uint16_t>(s.size() * 2));
    w.U16(static_cast<std::uint16_t>(s.size() * 2));
    w.U32(w.Referent());
}

Stub FileEnumReply(const std::vector<netapi::FileInfo3>& records, DWORD total, DWORD resume,
                   DWORD status) {
    return EnumReply(3, records, total, resume, status, FileFixed, FileDeferred);
}

Stub SessionEnumReply(DWORD level, const std::vector<netapi::SessionInfo502>& records,
                      DWORD total, DWORD resume, DWORD status) {
    return EnumReply(
        level, records, total, resume, status,
        [&](NdrWriter& w, const netapi::SessionInfo502& s) {
            Ptr(w, s.cname, s.username);
            if (level != 10) w.U32(s.num_opens);
            U32s(w, s.time, s.idle_time);
            if (level == 10) return;
            w.U32(s.user_flags);
            if (level == 502) Ptr(w, s.cltype_name, s.transport);
        },
        [&](NdrWriter& w, const netapi::SessionInfo502& s) {
            Body(w, s.cname, s.username);
            if (level == 502) Body(w, s.cltype_name, s.transport);
        });
}

Stub ShareEnumReply(DWORD level, const std::vector<netapi::ShareInfo2>& records, DWORD total,
                    DWORD resume, DWORD status) {
    return EnumReply(
        level, records, total, resume, status,
        [level](NdrWriter& w, const netapi::ShareInfo2& s) {
            Ptr(w, s.netname);
            w.U32(s.type);
            Ptr(w, s.remark);
            if (level != 2) return;  // level 1 ends here
            U32s(w, s.permissions, s.max_uses, s.current_uses);
            Ptr(w, s.path, s.passwd);
        },
        [level](NdrWriter& w, const netapi::ShareInfo2& s) {
            Body(w, s.netname, s.remark);
            if (level == 2) Body(w, s.path, s.passwd);
        });
}

Stub ConnectionEnumReply(const std::vector<netapi::ConnectionInfo1>& records, DWORD total,
                         DWORD resume, DWORD status) {
    return EnumReply(
        1, records, total, resume, status,
        [](NdrWriter& w, const netapi::ConnectionInfo1& c) {
            U32s(w, c.id, c.type, c.num_opens, c.num_users, c.time);
            Ptr(w, c.username, c.netname);
        },
        [](NdrWriter& w, const netapi::ConnectionInfo1& c) { Body(w, c.username, c.netname); });
}

Stub ServerInfoReply(const netapi::ServerInfo101* info, DWORD status) {
    return PointedReply(101, info, status, [](NdrWriter& w, const netapi::ServerInfo101& i) {
        w.U32(i.platform_id);
        Ptr(w, i.name);
        U32s(w, i.version_major, i.version_minor, i.type);
        Ptr(w, i.comment);
        Body(w, i.name, i.comment);
    });
}

Stub FileGetInfoReply(const netapi::FileInfo3* file, DWORD status) {
    return PointedReply(3, file, status, [](NdrWriter& w, const netapi::FileInfo3& f) {
        FileFixed(w, f);
        FileDeferred(w, f);
    });
}

Stub RemoteTODReply(const netapi::TimeOfDay* tod, DWORD status) {
    return PointedReply(std::nullopt, tod, status, [](NdrWriter& w, const netapi::TimeOfDay& t) {
        U32s(w, t.elapsedt, t.msecs, t.hours, t.mins, t.secs, t.hunds, t.timezone, t.tinterval, t.day,
             t.month, t.year, t.weekday);
    });
}

Stub StatusReply(DWORD status) {
    NdrWriter w;
    w.U32(status);
    return w.Take();
}

Stub UserAllReply(const smb::samr::UserAll& u, std::uint32_t ntstatus) {
    NdrWriter w;
    w.U32(w.Referent());
    w.U16(smb::samr::kUserAllInformation);
    for (std::uint64_t t : {u.lastLogon, u.lastLogoff, u.lastPasswordChange, u.accountExpires,
                            std::uint64_t{0}, std::uint64_t{0}})
        U32s(w, t, t >> 32);
    const std::u16string* texts[] = {&u.accountName, &u.fullName,     &u.homeDirectory,
                                     &u.homeDrive,   &u.logonScript,  &u.profilePath,
                                     &u.description, &u.workstations, &u.comment,
                                     &u.parameters};
    for (const auto* t : texts) CountedHeader(w, *t);
    // Two hashes and the private data, all empty; no security descriptor.
    U32s(w, 0, 0, 0, 0, 0, 0, 0, 0);
    U32s(w, u.rid, u.primaryGid, u.acctFlags, 0x00FFFFFF);
    w.U16(u.unitsPerWeek);
    w.U32(u.logonHours.empty() ? 0 : w.Referent());
    for (std::uint16_t v : {u.badPasswordCount, u.logonCount, u.countryCode, u.codePage}) w.U16(v);
    for (std::uint8_t v : {0, 1, static_cast<int>(u.passwordExpired), 0}) w.U8(v);
    for (const auto* t : texts) w.CountedStringBody(*t);
    if (!u.logonHours.empty()) {
        U32s(w, 1260, 0, u.logonHours.size());
        w.Bytes(u.logonHours.data(), u.logonHours.size());
    }
    w.U32(ntstatus);
    return w.Take();
}

Stub BindAckPdu(std::uint32_t callId, std::uint16_t maxRecv, std::uint16_t result) {
    NdrWriter w;
    Header(w, smb::dcerpc::kBindAck, 3, callId);
    w.U16(maxRecv);
    w.U16(maxRecv);
    w.U32(0x1234);
    const char port[] = "\\PIPE\\srvsvc";
    w.U16(sizeof port);
    w.Bytes(reinterpret_cast<const std::uint8_t*>(port), sizeof port);
    w.Align(4);
    U32s(w, 1, result);  // one result; its 16-bit result, then reason 0
    const auto& ndr = smb::dcerpc::NdrTransferSyntax();
    w.Bytes(ndr.uuid.data(), ndr.uuid.size());
    w.U32(2);
    return Finish(w);
}

Stub ResponsePdu(std::uint32_t callId, const Stub& stubPart, std::uint8_t flags,
                 std::optional<std::uint32_t> allocHint) {
    return ReplyPdu(smb::dcerpc::kResponse, flags, callId,
                    allocHint.value_or(static_cast<std::uint32_t>(stubPart.size())), stubPart);
}

Stub FaultPdu(std::uint32_t callId, std::uint32_t status) {
    NdrWriter w;
    U32s(w, status, 0);
    return ReplyPdu(smb::dcerpc::kFault, 3, callId, 0, w.Take());
}

std::uint32_t ReadU32(smb::NdrReader& in) {
    std::uint32_t v = 0;
    in.U32(v);
    return v;
}

std::optional<std::u16string> ReadUniqueString(smb::NdrReader& in) {
    bool present = false;
    std::optional<std::u16string> s;
    in.Pointer(present);
    in.OptionalString(present, s);
    return s;
}

netapi::NET_API_STATUS ScriptedPipe::Write(std::span<const std::uint8_t> data) {
    if (dropped) return netapi::ERROR_NETNAME_DELETED;
    written.emplace_back(data.begin(), data.end());
    const Stub& pdu = written.back();
    const std::uint32_t callId = pdu[12] | pdu[13] << 8 | pdu[14] << 16 | pdu[15] << 24;
    const bool bind = pdu[2] == smb::dcerpc::kBind;
    if (!bind) mPending.insert(mPending.end(), pdu.begin() + 24, pdu.end());
    if (!bind && (pdu[3] & smb::dcerpc::kLastFrag) == 0) return netapi::NERR_Success;
    if (!injected.empty()) {
        Queue(std::move(injected.front()));
        injected.pop_front();
        return netapi::NERR_Success;
    }
    if (bind) {
        Queue(BindAckPdu(callId, 4280));
        return netapi::NERR_Success;
    }
    Request request{static_cast<std::uint16_t>(pdu[22] | pdu[23] << 8), callId, std::move(mPending)};
    mPending.clear();
    const Reply reply = mHandler(request);
    if (reply.fault) {
        Queue(FaultPdu(callId, *reply.fault));
        return netapi::NERR_Success;
    }
    const Stub& stub = reply.stub;
    std::size_t at = 0;
    do {
        const std::size_t take = std::min(mMaxStub, stub.size() - at);
        const int flags = (at == 0 ? smb::dcerpc::kFirstFrag : 0) |
                          (at + take == stub.size() ? smb::dcerpc::kLastFrag : 0);
        // As Samba and Windows do, each fragment's hint is what remains of the reply.
        Queue(ResponsePdu(callId, Stub(stub.begin() + at, stub.begin() + at + take),
                          static_cast<std::uint8_t>(flags), static_cast<std::uint32_t>(stub.size() - at)));
        at += take;
    } while (at < stub.size());
    return netapi::NERR_Success;
}

void ScriptedPipe::Queue(Stub pdu) {
    mQueued += pdu.size();
    mOutgoing.push_back(std::move(pdu));
}

netapi::NET_API_STATUS ScriptedPipe::Stall() {
    if (beforeRead) beforeRead();
    overRead = true;
    if (onOverRead) onOverRead();
    return 1460;
}

bool ScriptedPipe::Take(std::uint8_t* out, std::size_t n) {
    if (beforeRead) beforeRead();
    ++roundTrips;
    std::memcpy(out, mOutgoing.front().data() + mOffset, n);
    mOffset += n;
    mQueued -= n;
    if (mOffset < mOutgoing.front().size()) return false;
    mOutgoing.pop_front();
    mOffset = 0;
    return true;
}

netapi::NET_API_STATUS ScriptedPipe::ReadMessage(std::span<std::uint8_t> out, std::size_t& got,
                                                 bool& more) {
    got = 0;
    more = false;
    if (mOutgoing.empty()) return Stall();
    got = std::min(out.size(), mOutgoing.front().size() - mOffset);
    more = !Take(out.data(), got);
    if (more) ++overflows;
    return netapi::NERR_Success;
}

netapi::NET_API_STATUS ScriptedPipe::ReadExact(std::span<std::uint8_t> out) {
    // A message pipe fails a read that would end inside a message, as
    // Windows' STATUS_BUFFER_OVERFLOW reaches a client that does not expect it.
    if (messageMode && !mOutgoing.empty() && out.size() < mOutgoing.front().size() - mOffset) {
        ++overflows;
        return netapi::ERROR_INVALID_PARAMETER;
    }
    if (out.size() > mQueued) return Stall();
    // The pipe is a byte stream of messages: one read may span several, and
    // every message it touches costs the real transport one round trip.
    for (std::size_t done = 0; done < out.size();) {
        const std::size_t n = std::min(out.size() - done, mOutgoing.front().size() - mOffset);
        Take(out.data() + done, n);
        done += n;
    }
    return netapi::NERR_Success;
}

netapi::NET_API_STATUS ScriptedServers::Open(const std::string& host, const std::string& pipe,
                                             std::unique_ptr<smb::BytePipe>& out) {
    if ((needsAccount || passwords.contains(host)) && passwords[host] != "right")
        return netapi::ERROR_LOGON_FAILURE;
    ++attempts;
    if (auto it = unreachable.find(host); it != unreachable.end()) return it->second;
    if (std::find(missingPipes.begin(), missingPipes.end(), pipe) != missingPipes.end())
        return netapi::RPC_S_SERVER_UNAVAILABLE;
    opened.push_back(host + "/" + pipe);
    auto p = std::make_unique<ScriptedPipe>(
        [this, host, pipe](const Request& r) { return mHandler(host, pipe, r); }, maxStub);
    p->onOverRead = [this] { ++overReads; };
    if (onOpen) onOpen(host, pipe, *p);
    pipes.push_back(p.get());
    out = std::move(p);
    return netapi::NERR_Success;
}

std::vector<netapi::NET_API_STATUS> ScriptedServers::Reachable(
    const std::vector<std::string>& hosts, const std::function<void(std::size_t)>& answered) {
    if (onCheck) onCheck();
    std::vector<netapi::NET_API_STATUS> out;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        probed.push_back(hosts[i]);
        out.push_back(reach.contains(hosts[i]) ? reach[hosts[i]] : netapi::NERR_Success);
        if (out.back() == netapi::NERR_Success) answered(i);
    }
    return out;
}

}  // namespace smbtest
