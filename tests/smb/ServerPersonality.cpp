#include "ServerPersonality.h"

#include <algorithm>
#include <cstring>

#include "smb/SmbProvider.h"
#include "smb/Srvsvc.h"
#include "smb/WinStation.h"
#include "text/Text.h"

namespace smbtest {

using netapi::DWORD;
using netapi::OptString;
using smb::NdrReader;
using smb::NdrWriter;

namespace {

namespace samr = smb::samr;
namespace winsta = smb::winsta;

constexpr std::uint32_t kAccessDenied = 0xC0000022;
constexpr std::uint32_t kNoneMapped = 0xC0000073;
constexpr std::uint32_t kNoSuchSession = 0xC00A0015;  // STATUS_CTX_WINSTATION_NOT_FOUND
constexpr std::uint32_t kOpRangeFault = 0x1C010002;
constexpr std::size_t kFilePageBytes = 4096;  // the most a Windows file-list reply holds

// The level and the resume handle every enumeration ends with.
std::pair<DWORD, DWORD> ReadEnumTail(NdrReader& in) {
    const DWORD level = ReadU32(in);
    in.Skip(5 * 4);  // arm, container, count, null buffer, preferred length
    return {level, ReadU32(in) != 0 ? ReadU32(in) : 0};
}

// What a file record costs on the wire, roughly as a server counts it.
std::size_t WireBytes(const netapi::FileInfo3& f) {
    auto text = [](const OptString& s) { return s ? 12 + 2 * (s->size() + 1) + 3 : 0; };
    return 20 + text(f.pathname) + text(f.username);
}

std::u16string Unc(const OptString& name) {
    std::u16string n = name.value_or(u"");
    if (!n.starts_with(u"\\\\")) n.insert(0, u"\\\\");
    return n;
}

// UF_* flags to account-control bits: each bit as the product maps it back.
std::uint32_t UserFlagsToAcb(DWORD flags) {
    std::uint32_t acb = 0;
    for (int bit = 0; bit < 32; ++bit)
        if ((samr::AcbToUserFlags(1u << bit) & flags) != 0) acb |= 1u << bit;
    return acb;
}

// Handles are opaque to the client: a kind, and the user's rid for user handles.
samr::Handle MakeHandle(std::uint8_t kind, std::uint32_t rid) {
    samr::Handle h{kind};
    std::memcpy(h.data() + 4, &rid, 4);
    return h;
}

// A context handle, then the status: what most samr calls answer.
Stub HandleReply(const samr::Handle& h, std::uint32_t status) {
    NdrWriter w;
    w.Bytes(h.data(), h.size());
    w.U32(status);
    return w.Take();
}

std::uint32_t RidIn(const samr::Handle& h) {
    return h[4] | h[5] << 8 | h[6] << 16 | static_cast<std::uint32_t>(h[7]) << 24;
}

void PutText(Stub& record, std::size_t at, const std::u16string& text, std::size_t chars) {
    for (std::size_t i = 0; i < text.size() && i + 1 < chars; ++i) {
        record[at + 2 * i] = static_cast<std::uint8_t>(text[i]);
        record[at + 2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
}

void PutWord(Stub& record, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) record[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A [size_is(n)] WCHAR array whose n counts bytes: the text is its first n/2.
std::u16string ReadText(NdrReader& r) {
    std::uint32_t count = 0, length = 0;
    std::u16string s;
    if (!r.U32(count)) return s;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint16_t c = 0;
        if (!r.U16(c)) return s;
        s.push_back(static_cast<char16_t>(c));
    }
    if (!r.U32(length) || length != count) return u"<length does not match the array>";
    s.resize(std::min<std::size_t>(s.size(), length / 2));
    return s;
}

}  // namespace

std::string Name(Personality personality) {
    return personality == Personality::Windows ? "Windows" : "Samba";
}

PersonalityServer::PersonalityServer(Personality personality,
                                     std::shared_ptr<sim::SimulatedNetwork> data)
    : mPersonality(personality), mData(std::move(data)) {
    mOpener = std::make_shared<ScriptedServers>(
        [this](const std::string& host, const std::string& pipe, const Request& r) {
            calls.push_back(pipe + " " + std::to_string(r.opnum));
            const std::u16string server = text::FromUtf8(host);
            if (pipe == "srvsvc") return Srvsvc(server, r);
            if (pipe == "samr") return Samr(server, r);
            if (pipe == "Ctx_WinStation_API_service") return WinStation(r);
            return Reply::Fault(0x1C010003);  // not an interface of ours
        });
    if (personality == Personality::Samba) mOpener->missingPipes = {"Ctx_WinStation_API_service"};
    mOpener->onOpen = [this](const std::string&, const std::string& pipe, ScriptedPipe& p) {
        if (mPersonality != Personality::Windows) return;
        p.messageMode = true;
        if (pipe != "srvsvc") return;
        const DWORD id = mNextPipeId++;
        mSrvsvcPipes[id] = &p;
        p.onDestroy = [this, id] { mSrvsvcPipes.erase(id); };
    };
}

netapi::FileInfo3 PersonalityServer::OwnPipe(netapi::DWORD id) const {
    return {id, netapi::PERM_FILE_READ | netapi::PERM_FILE_WRITE, 0, u"\\PIPE\\srvsvc",
            pipeOwner.empty() ? mOpener->account : pipeOwner};
}

Reply PersonalityServer::Srvsvc(const std::u16string& host, const Request& r) {
    namespace srvsvc = smb::srvsvc;
    const bool windows = mPersonality == Personality::Windows;
    NdrReader in(r.stub);
    ReadUniqueString(in);  // every call names the server first
    switch (r.opnum) {
        case srvsvc::kOpFileEnum: {
            const OptString base = ReadUniqueString(in), user = ReadUniqueString(in);
            const auto [level, resume] = ReadEnumTail(in);
            auto all = mData->FileEnum(host, base, user);
            if (all.status != 0) return FileEnumReply({}, 0, 0, all.status);
            if (!windows) return FileEnumReply(all.records, all.total, 0, 0);
            // Windows lists the pipes its clients hold, ours among them.
            for (const auto& [id, pipe] : mSrvsvcPipes) all.records.push_back(OwnPipe(id));
            std::vector<netapi::FileInfo3> page;
            std::size_t bytes = 0, next = resume;
            while (next < all.records.size() &&
                   (page.empty() || bytes + WireBytes(all.records[next]) <= kFilePageBytes)) {
                bytes += WireBytes(all.records[next]);
                page.push_back(all.records[next++]);
            }
            const bool more = next < all.records.size();
            return FileEnumReply(page, static_cast<DWORD>(all.records.size()),
                                 more ? static_cast<DWORD>(next) : 0,
                                 more ? netapi::ERROR_MORE_DATA : 0);
        }
        case srvsvc::kOpFileClose: {
            const DWORD id = ReadU32(in);
            if (const auto own = mSrvsvcPipes.find(id); windows && own != mSrvsvcPipes.end()) {
                // What Windows does: the pipe is closed under its client.
                own->second->dropped = true;
                mSrvsvcPipes.erase(own);
                ++pipesClosedByClient;
                return StatusReply(0);
            }
            const DWORD status = mData->FileClose(host, id);
            return StatusReply(status == netapi::NERR_FileIdNotFound && !windows ? netapi::ERROR_FILE_NOT_FOUND
                                                                                : status);
        }
        case srvsvc::kOpFileGetInfo: {
            // Samba has no such call and faults it.
            if (!windows) return Reply::Fault(kOpRangeFault);
            const DWORD id = ReadU32(in);
            if (ReadU32(in) != 3) return FileGetInfoReply(nullptr, netapi::ERROR_INVALID_LEVEL);
            netapi::FileInfo3 file = OwnPipe(id);
            const DWORD status = mSrvsvcPipes.contains(id) ? 0 : mData->FileGetInfo(host, id, file);
            return FileGetInfoReply(status == 0 ? &file : nullptr, status);
        }
        case srvsvc::kOpSessionEnum: {
            const OptString client = ReadUniqueString(in), user = ReadUniqueString(in);
            const auto [level, resume] = ReadEnumTail(in);
            calls.back() += " " + std::to_string(level);
            if (windows && !callerIsAdmin && (level == 502 || level == 1 || level == 2))
                return SessionEnumReply(level, {}, 0, 0, netapi::ERROR_ACCESS_DENIED);
            if (!windows && (level == 502 || level == 10))
                return SessionEnumReply(level, {}, 0, 0, netapi::ERROR_INVALID_LEVEL);
            // Samba ignores the filters.
            auto all = windows ? mData->SessionEnum(host, client, user, level)
                               : mData->SessionEnum(host, std::nullopt, std::nullopt, level);
            if (windows)
                for (auto& s : all.records) s.cname = Unc(s.cname);
            return SessionEnumReply(level, all.records, all.total, 0, all.status);
        }
        case srvsvc::kOpSessionDel: {
            const OptString client = ReadUniqueString(in), user = ReadUniqueString(in);
            return StatusReply(mData->SessionDel(host, client, user));
        }
        case srvsvc::kOpShareEnumAll: {
            const auto [level, resume] = ReadEnumTail(in);
            calls.back() += " " + std::to_string(level);
            if (windows && !callerIsAdmin && level == 2)
                return ShareEnumReply(2, {}, 0, 0, netapi::ERROR_ACCESS_DENIED);
            const auto all = mData->ShareEnum(host, level);
            return ShareEnumReply(level, all.records, all.total, 0, all.status);
        }
        case srvsvc::kOpConnectionEnum: {
            const OptString qualifier = ReadUniqueString(in);
            const auto all = mData->ConnectionEnum(host, qualifier);
            return ConnectionEnumReply(all.records, all.total, 0, all.status);
        }
        case srvsvc::kOpServerGetInfo: {
            netapi::ServerInfo101 info;
            const DWORD status = mData->ServerGetInfo(host, info);
            return ServerInfoReply(status == 0 ? &info : nullptr, status);
        }
        case srvsvc::kOpServerSetInfo: {
            for (int i = 0; i < 3; ++i) ReadU32(in);  // level, arm, record pointer
            const OptString comment = ReadUniqueString(in);
            NdrWriter w;
            U32s(w, 0, mData->ServerSetComment(host, comment));  // no parameter error
            return w.Take();
        }
        case srvsvc::kOpRemoteTOD: {
            netapi::TimeOfDay tod;
            const DWORD status = mData->RemoteTOD(host, tod);
            if (windows) tod.timezone = -1;  // "undefined"
            return RemoteTODReply(status == 0 ? &tod : nullptr, status);
        }
        default:
            return Reply::Fault(kOpRangeFault);
    }
}

Reply PersonalityServer::Samr(const std::u16string& host, const Request& r) {
    NdrReader in(r.stub);
    samr::Handle handle{};
    switch (r.opnum) {
        case samr::kOpConnect5:
        case samr::kOpConnect2: {
            if (r.opnum == samr::kOpConnect5 && !hasConnect5) return Reply::Fault(kOpRangeFault);
            const bool denied = mPersonality == Personality::Windows && remoteSamRestricted;
            const samr::Handle server = denied ? samr::Handle{} : MakeHandle(1, 0);
            NdrWriter w;
            if (r.opnum == samr::kOpConnect5) U32s(w, 1, 1, 3, 0);  // version 1, revision 3, no features
            w.Bytes(server.data(), server.size());
            w.U32(denied ? kAccessDenied : 0);
            return w.Take();
        }
        case samr::kOpClose:
            return HandleReply(samr::Handle{}, 0);
        case samr::kOpEnumDomains: {
            const std::u16string names[] = {text::ToUpper(host), u"Builtin"};
            NdrWriter w;
            U32s(w, 0, w.Referent(), 2);  // resume handle, buffer, its count
            U32s(w, w.Referent(), 2);
            for (std::uint32_t i = 0; i < 2; ++i) {
                w.U32(i);
                CountedHeader(w, names[i]);
            }
            for (const auto& n : names) w.CountedStringBody(n);
            U32s(w, 2, 0);
            return w.Take();
        }
        case samr::kOpLookupDomain: {
            // S-1-5-21-1-2-3
            const std::uint8_t head[8] = {1, 4, 0, 0, 0, 0, 0, 5};
            NdrWriter w;
            U32s(w, w.Referent(), 4);
            w.Bytes(head, sizeof head);
            U32s(w, 21, 1, 2, 3, 0);
            return w.Take();
        }
        case samr::kOpOpenDomain:
            return HandleReply(MakeHandle(2, 0), 0);
        case samr::kOpLookupNames: {
            smb::CountedHeader h;
            std::u16string name;
            in.Skip(20 + 16);  // the domain handle; count, array pointer and bounds
            in.CountedStringHeader(h);
            in.CountedString(h, name);
            netapi::UserInfo3 info;
            const bool found = mData->UserGetInfo(host, name, info) == 0;
            const auto next = static_cast<std::uint32_t>(1000 + mRids.size());
            const std::uint32_t rid = found ? mRids.try_emplace(text::ToLower(name), next).first->second : 0;
            NdrWriter w;
            for (std::uint32_t v : {rid, found ? 1u : 8u})  // the rid, its type
                U32s(w, 1, w.Referent(), 1, v);
            w.U32(found ? 0 : kNoneMapped);
            return w.Take();
        }
        case samr::kOpOpenUser: {
            in.Skip(20 + 4);  // the domain handle, the access asked
            return HandleReply(MakeHandle(3, ReadU32(in)), 0);
        }
        case samr::kOpQueryUserInfo:
        case samr::kOpSetUserInfo: {
            std::uint16_t level = 0, arm = 0;
            std::uint32_t written = 0;
            in.Bytes(handle.data(), handle.size());
            in.U16(level);
            std::u16string user;
            for (const auto& [name, rid] : mRids)
                if (rid == RidIn(handle)) user = name;
            netapi::UserInfo3 info;
            if (user.empty() || mData->UserGetInfo(host, user, info) != 0)
                return StatusReply(0xC0000064);
            const std::uint32_t acb = UserFlagsToAcb(info.flags);
            if (r.opnum == samr::kOpQueryUserInfo) {
                if (level == samr::kUserAllInformation) {
                    samr::UserAll all;
                    all.accountName = info.name.value_or(user);
                    all.fullName = info.full_name.value_or(u"");
                    all.description = info.comment.value_or(u"");
                    all.rid = RidIn(handle);
                    all.primaryGid = info.primary_group_id;
                    all.acctFlags = acb;
                    all.unitsPerWeek = static_cast<std::uint16_t>(info.units_per_week);
                    if (info.logon_hours) all.logonHours = *info.logon_hours;
                    return UserAllReply(all, 0);
                }
                NdrWriter w;
                w.U32(w.Referent());
                w.U16(samr::kUserControlInformation);
                U32s(w, acb, 0);
                return w.Take();
            }
            in.U16(arm);
            in.U32(written);
            controlWrites.push_back(written);
            const std::uint32_t lock = (written & samr::ACB_AUTOLOCK) ? 0 : acb & samr::ACB_AUTOLOCK;
            const std::uint32_t now = (written & ~(samr::ACB_AUTOLOCK | samr::ACB_PW_EXPIRED)) |
                                      lock | (acb & samr::ACB_PW_EXPIRED);
            info.flags = (info.flags & ~samr::AcbToUserFlags(0xFFFFFFFFu)) | samr::AcbToUserFlags(now);
            return StatusReply(mData->UserSetInfo(host, user, info) == 0 ? 0 : kAccessDenied);
        }
        default:
            return Reply::Fault(kOpRangeFault);
    }
}

Reply PersonalityServer::WinStation(const Request& r) {
    NdrReader in(r.stub);
    in.Skip(sizeof(winsta::Handle));  // every call but OpenServer's starts with the server's handle
    NdrWriter w;
    switch (r.opnum) {
        case winsta::kOpOpenServer:
        case winsta::kOpCloseServer: {
            const winsta::Handle server = MakeHandle(9, 0);
            w.U32(0);
            if (r.opnum == winsta::kOpOpenServer) w.Bytes(server.data(), server.size());
            w.U8(1);
            return w.Take();
        }
        case winsta::kOpEnumerate: {
            std::uint32_t entries = 0, referent = 0, max = 0, byteCount = 0, index = 0;
            for (std::uint32_t* v : {&entries, &referent, &max}) in.U32(*v);
            in.Skip(max);
            for (std::uint32_t* v : {&byteCount, &index}) in.U32(*v);
            // Two at a time: the client must go on with the index it gets.
            Stub buffer(byteCount, 0);
            std::uint32_t given = 0;
            const std::size_t fit = std::min<std::size_t>(entries, byteCount / winsta::kLogonIdBytes);
            while (given < 2 && given < fit && index + given < desktops.size()) {
                const DesktopSession& d = desktops[index + given];
                const std::size_t at = given * winsta::kLogonIdBytes;
                PutWord(buffer, at, d.id);
                PutText(buffer, at + 4, d.station, winsta::kStationChars);
                PutWord(buffer, at + 72, d.state);
                ++given;
            }
            U32s(w, given == 0 ? winsta::STATUS_NO_MORE_ENTRIES : 0, given, w.Referent(), byteCount);
            w.Bytes(buffer.data(), buffer.size());
            U32s(w, byteCount, index + given);
            w.U8(1);
            return w.Take();
        }
        case winsta::kOpQueryInformation: {
            std::uint32_t logonId = 0, infoClass = 0, referent = 0, max = 0;
            for (std::uint32_t* v : {&logonId, &infoClass, &referent, &max}) in.U32(*v);
            Stub record(winsta::kInformationBytes, 0);
            const auto it = std::ranges::find(desktops, logonId, &DesktopSession::id);
            const bool known = it != desktops.end() && infoClass == winsta::kWinStationInformation &&
                               max >= winsta::kInformationBytes;
            if (known) {
                PutWord(record, 0, it->state);
                PutText(record, 4, it->station, winsta::kStationChars);
                PutWord(record, winsta::kInfoLogonIdAt, it->id);
                PutText(record, winsta::kInfoDomainAt, it->domain, winsta::kDomainChars);
                PutText(record, winsta::kInfoUserNameAt, it->user, winsta::kUserChars);
            }
            U32s(w, known ? 0 : kNoSuchSession, w.Referent(), record.size());
            w.Bytes(record.data(), record.size());
            w.U32(static_cast<std::uint32_t>(record.size()));
            w.U8(known ? 1 : 0);
            return w.Take();
        }
        case winsta::kOpSendMessage: {
            DeliveredMessage m;
            std::uint32_t style = 0, timeout = 0;
            std::uint8_t doNotWait = 0;
            in.U32(m.session);
            m.title = ReadText(in);
            m.text = ReadText(in);
            for (std::uint32_t* v : {&style, &timeout}) in.U32(*v);
            in.U8(doNotWait);
            m.waited = doNotWait == 0;
            const auto it = std::ranges::find(desktops, m.session, &DesktopSession::id);
            const bool known = in.ok() && it != desktops.end() && it->state == winsta::kStateActive;
            if (known) delivered.push_back(m);
            U32s(w, known ? 0 : kNoSuchSession, 0x7D01);  // IDASYNC: not waited for
            w.U8(known ? 1 : 0);
            return w.Take();
        }
        default:
            return Reply::Fault(kOpRangeFault);
    }
}

PersonalityNetwork::PersonalityNetwork(Personality personality, sim::Scenario scenario)
    : mData(std::make_shared<sim::SimulatedNetwork>(std::move(scenario), "personality")),
      mServer(std::make_unique<PersonalityServer>(personality, mData)) {
    netapi::SetProvider(std::make_shared<smb::SmbProvider>(mServer->Opener()));
}

PersonalityNetwork::~PersonalityNetwork() {
    // The provider holds pipes of the server: it goes first.
    netapi::SetProvider(nullptr);
}

}  // namespace smbtest
