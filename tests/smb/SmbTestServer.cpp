#include "SmbTestServer.h"

#include <algorithm>
#include <cstring>

#include "smb/DceRpcPdu.h"
#include "smb/NdrReader.h"
#include "smb/NdrWriter.h"

namespace smbtest {

using netapi::OptString;
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

template <typename... V>
void U32s(NdrWriter& w, V... v) {
    (w.U32(v), ...);
}

// Level, arm, container, array, deferred strings, then total, resume handle
// and status: the shape of every list.
template <typename Record, typename Fixed, typename Deferred>
Stub EnumReply(DWORD level, const std::vector<Record>& records, DWORD total, DWORD resume,
               DWORD status, Fixed fixed, Deferred deferred) {
    NdrWriter w;
    w.U32(level);
    w.U32(level);
    w.U32(w.Referent());
    w.U32(static_cast<std::uint32_t>(records.size()));
    if (records.empty()) {
        w.NullPointer();
    } else {
        w.U32(w.Referent());
        w.U32(static_cast<std::uint32_t>(records.size()));
        for (const auto& r : records) fixed(w, r);
        for (const auto& r : records) deferred(w, r);
    }
    w.U32(total);
    w.U32(w.Referent());
    w.U32(resume);
    w.U32(status);
    return w.Take();
}

void Header(NdrWriter& w, std::uint8_t ptype, std::uint8_t flags, std::uint32_t callId) {
    const std::uint8_t fixed[] = {5, 0, ptype, flags, 0x10, 0, 0, 0};
    w.Bytes(fixed, sizeof fixed);
    w.U16(0);
    w.U16(0);
    w.U32(callId);
}

Stub Finish(NdrWriter& w) {
    Stub pdu = w.Take();
    pdu[8] = static_cast<std::uint8_t>(pdu.size());
    pdu[9] = static_cast<std::uint8_t>(pdu.size() >> 8);
    return pdu;
}

void Counted(NdrWriter& w, const std::u16string& s) {
    w.U16(static_cast<std::uint16_t>(s.size() * 2));
    w.U16(static_cast<std::uint16_t>(s.size() * 2));
    w.U32(w.Referent());
}

}  // namespace

Stub FileEnumReply(const std::vector<netapi::FileInfo3>& records, DWORD total, DWORD resume,
                   DWORD status) {
    return EnumReply(
        3, records, total, resume, status,
        [](NdrWriter& w, const netapi::FileInfo3& f) {
            U32s(w, f.id, f.permissions, f.num_locks);
            Ptr(w, f.pathname, f.username);
        },
        [](NdrWriter& w, const netapi::FileInfo3& f) { Body(w, f.pathname, f.username); });
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

Stub ShareEnumReply(const std::vector<netapi::ShareInfo2>& records, DWORD total, DWORD resume,
                    DWORD status) {
    return ShareEnumReply(2, records, total, resume, status);
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
    NdrWriter w;
    w.U32(101);
    if (info == nullptr) {
        w.NullPointer();
    } else {
        w.U32(w.Referent());
        w.U32(info->platform_id);
        Ptr(w, info->name);
        w.U32(info->version_major);
        w.U32(info->version_minor);
        w.U32(info->type);
        Ptr(w, info->comment);
        Body(w, info->name, info->comment);
    }
    w.U32(status);
    return w.Take();
}

Stub FileGetInfoReply(const netapi::FileInfo3* file, DWORD status) {
    NdrWriter w;
    w.U32(3);
    if (file == nullptr) {
        w.NullPointer();
    } else {
        w.U32(w.Referent());
        U32s(w, file->id, file->permissions, file->num_locks);
        Ptr(w, file->pathname, file->username);
        Body(w, file->pathname, file->username);
    }
    w.U32(status);
    return w.Take();
}

Stub RemoteTODReply(const netapi::TimeOfDay* t, DWORD status) {
    NdrWriter w;
    if (t == nullptr) {
        w.NullPointer();
    } else {
        w.U32(w.Referent());
        for (DWORD v : {t->elapsedt, t->msecs, t->hours, t->mins, t->secs, t->hunds,
                        static_cast<DWORD>(t->timezone), t->tinterval, t->day, t->month, t->year,
                        t->weekday})
            w.U32(v);
    }
    w.U32(status);
    return w.Take();
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
                            std::uint64_t{0}, std::uint64_t{0}}) {
        w.U32(static_cast<std::uint32_t>(t));
        w.U32(static_cast<std::uint32_t>(t >> 32));
    }
    const std::u16string* texts[] = {&u.accountName, &u.fullName,     &u.homeDirectory,
                                     &u.homeDrive,   &u.logonScript,  &u.profilePath,
                                     &u.description, &u.workstations, &u.comment,
                                     &u.parameters};
    for (const auto* t : texts) Counted(w, *t);
    for (int i = 0; i < 3; ++i) {  // two hashes and the private data, all empty
        w.U16(0);
        w.U16(0);
        w.NullPointer();
    }
    w.U32(0);
    w.NullPointer();  // security descriptor
    w.U32(u.rid);
    w.U32(u.primaryGid);
    w.U32(u.acctFlags);
    w.U32(0x00FFFFFF);
    w.U16(u.unitsPerWeek);
    if (u.logonHours.empty()) w.NullPointer();
    else w.U32(w.Referent());
    w.U16(u.badPasswordCount);
    w.U16(u.logonCount);
    w.U16(u.countryCode);
    w.U16(u.codePage);
    w.U8(0);
    w.U8(1);
    w.U8(u.passwordExpired);
    w.U8(0);
    for (const auto* t : texts) w.CountedStringBody(*t);
    if (!u.logonHours.empty()) {
        w.U32(1260);
        w.U32(0);
        w.U32(static_cast<std::uint32_t>(u.logonHours.size()));
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
    w.U8(1);
    w.U8(0);
    w.U16(0);
    w.U16(result);
    w.U16(0);
    const auto& ndr = smb::dcerpc::NdrTransferSyntax();
    w.Bytes(ndr.uuid.data(), ndr.uuid.size());
    w.U32(2);
    return Finish(w);
}

Stub ResponsePdu(std::uint32_t callId, const Stub& stubPart, std::uint8_t flags,
                 std::optional<std::uint32_t> allocHint) {
    NdrWriter w;
    Header(w, smb::dcerpc::kResponse, flags, callId);
    w.U32(allocHint.value_or(static_cast<std::uint32_t>(stubPart.size())));
    w.U16(0);
    w.U8(0);
    w.U8(0);
    w.Bytes(stubPart.data(), stubPart.size());
    return Finish(w);
}

Stub FaultPdu(std::uint32_t callId, std::uint32_t status) {
    NdrWriter w;
    Header(w, smb::dcerpc::kFault, 3, callId);
    w.U32(0);
    w.U16(0);
    w.U8(0);
    w.U8(0);
    w.U32(status);
    w.U32(0);
    return Finish(w);
}

std::vector<Stub> ResponseFragments(std::uint32_t callId, const Stub& stub, std::size_t maxStub) {
    std::vector<Stub> out;
    std::size_t at = 0;
    do {
        const std::size_t take = std::min(maxStub, stub.size() - at);
        std::uint8_t flags = 0;
        if (at == 0) flags |= smb::dcerpc::kFirstFrag;
        if (at + take == stub.size()) flags |= smb::dcerpc::kLastFrag;
        // As Samba and Windows do, each fragment's hint is what remains of the reply.
        out.push_back(ResponsePdu(callId, Stub(stub.begin() + at, stub.begin() + at + take), flags,
                                  static_cast<std::uint32_t>(stub.size() - at)));
        at += take;
    } while (at < stub.size());
    return out;
}

std::uint32_t ReadU32(const Stub& stub, std::size_t& offset) {
    offset = (offset + 3) & ~std::size_t{3};
    if (offset + 4 > stub.size()) return 0;
    std::uint32_t v = 0;
    std::memcpy(&v, stub.data() + offset, 4);
    offset += 4;
    return v;
}

std::optional<std::u16string> ReadUniqueString(const Stub& stub, std::size_t& offset) {
    if (ReadU32(stub, offset) == 0) return std::nullopt;
    ReadU32(stub, offset);
    ReadU32(stub, offset);
    const std::uint32_t count = ReadU32(stub, offset);
    std::u16string s;
    for (std::uint32_t i = 0; i < count && offset + 2 <= stub.size(); ++i, offset += 2) {
        const auto c = static_cast<char16_t>(stub[offset] | stub[offset + 1] << 8);
        if (c != 0) s.push_back(c);
    }
    return s;
}

netapi::NET_API_STATUS ScriptedPipe::Write(std::span<const std::uint8_t> data) {
    if (dropped) return netapi::ERROR_NETNAME_DELETED;
    written.emplace_back(data.begin(), data.end());
    const Stub& pdu = written.back();
    const std::uint32_t callId = pdu[12] | pdu[13] << 8 | pdu[14] << 16 | pdu[15] << 24;
    if (pdu[2] == smb::dcerpc::kBind) {
        Queue(BindAckPdu(callId, 4280));
        return netapi::NERR_Success;
    }
    mPending.insert(mPending.end(), pdu.begin() + 24, pdu.end());
    if ((pdu[3] & smb::dcerpc::kLastFrag) == 0) return netapi::NERR_Success;
    Request request;
    request.opnum = static_cast<std::uint16_t>(pdu[22] | pdu[23] << 8);
    request.callId = callId;
    request.stub = std::move(mPending);
    mPending.clear();
    if (!injected.empty()) {
        Queue(std::move(injected.front()));
        injected.pop_front();
        return netapi::NERR_Success;
    }
    Reply reply = mHandler(request);
    if (reply.fault) {
        Queue(FaultPdu(callId, *reply.fault));
        return netapi::NERR_Success;
    }
    for (auto& f : ResponseFragments(callId, reply.stub, mMaxStub)) Queue(std::move(f));
    return netapi::NERR_Success;
}

void ScriptedPipe::Queue(Stub pdu) {
    mQueued += pdu.size();
    mOutgoing.push_back(std::move(pdu));
}

netapi::NET_API_STATUS ScriptedPipe::ReadMessage(std::span<std::uint8_t> out, std::size_t& got,
                                                 bool& more) {
    got = 0;
    more = false;
    if (mOutgoing.empty()) {
        if (beforeRead) beforeRead();
        overRead = true;
        if (onOverRead) onOverRead();
        return 1460;  // nothing waiting: the real pipe would wait for its timeout
    }
    if (beforeRead) beforeRead();
    ++roundTrips;
    const Stub& message = mOutgoing.front();
    got = std::min(out.size(), message.size() - mOffset);
    std::memcpy(out.data(), message.data() + mOffset, got);
    mOffset += got;
    mQueued -= got;
    more = mOffset < message.size();
    if (more) {
        ++overflows;
    } else {
        mOutgoing.pop_front();
        mOffset = 0;
    }
    return netapi::NERR_Success;
}

netapi::NET_API_STATUS ScriptedPipe::ReadExact(std::span<std::uint8_t> out) {
    // A message pipe fails a read that would end inside a message, as
    // Windows' STATUS_BUFFER_OVERFLOW reaches a client that does not expect it.
    if (messageMode && !mOutgoing.empty() && out.size() < mOutgoing.front().size() - mOffset) {
        ++overflows;
        return netapi::ERROR_INVALID_PARAMETER;
    }
    if (out.size() > mQueued) {
        if (beforeRead) beforeRead();
        overRead = true;
        if (onOverRead) onOverRead();
        return 1460;  // the real pipe would wait for the transport's timeout
    }
    // The pipe is a byte stream of messages: one read may span several, and
    // every message it touches costs the real transport one round trip.
    for (std::size_t done = 0; done < out.size();) {
        if (beforeRead) beforeRead();
        const std::size_t n = std::min(out.size() - done, mOutgoing.front().size() - mOffset);
        std::memcpy(out.data() + done, mOutgoing.front().data() + mOffset, n);
        ++roundTrips;
        done += n;
        mOffset += n;
        mQueued -= n;
        if (mOffset == mOutgoing.front().size()) {
            mOutgoing.pop_front();
            mOffset = 0;
        }
    }
    return netapi::NERR_Success;
}

netapi::NET_API_STATUS ScriptedServers::Open(const std::string& host, const std::string& pipe,
                                             std::unique_ptr<smb::BytePipe>& out) {
    ++attempts;
    if (auto it = unreachable.find(host); it != unreachable.end()) return it->second;
    if (std::find(missingPipes.begin(), missingPipes.end(), pipe) != missingPipes.end())
        return netapi::RPC_S_SERVER_UNAVAILABLE;
    opened.push_back(host + "/" + pipe);
    auto p = std::make_unique<ScriptedPipe>(
        [this, host, pipe](const Request& r) { return mHandler(host, pipe, r); }, maxStub);
    p->onOverRead = [this] { ++overReads; };
    if (onOpen) onOpen(*p);
    if (onOpenPipe) onOpenPipe(host, pipe, *p);
    pipes.push_back(p.get());
    out = std::move(p);
    return netapi::NERR_Success;
}

std::vector<netapi::NET_API_STATUS> ScriptedServers::Reachable(
    const std::vector<std::string>& hosts, const std::function<void(std::size_t)>& answered) {
    std::vector<netapi::NET_API_STATUS> out;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        probed.push_back(hosts[i]);
        const bool quiet = std::find(silent.begin(), silent.end(), hosts[i]) != silent.end();
        out.push_back(quiet ? netapi::ERROR_BAD_NETPATH : netapi::NERR_Success);
        if (!quiet) answered(i);
    }
    return out;
}

}  // namespace smbtest
