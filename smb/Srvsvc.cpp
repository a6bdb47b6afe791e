#include "Srvsvc.h"

#include <array>
#include <initializer_list>

#include "NdrReader.h"
#include "NdrWriter.h"

namespace smb::srvsvc {
namespace {

using netapi::ConnectionInfo1;
using netapi::FileInfo3;
using netapi::SessionInfo502;
using netapi::ShareInfo2;

// Which embedded string pointers of one record were set; their bodies follow
// the whole array, record by record, in field order.
using PointerFlags = std::array<bool, 4>;

// The common [in, out] enumeration argument: level, union arm, a container
// with no entries yet.
void WriteEmptyEnumStruct(NdrWriter& w, DWORD level) {
    w.U32(level);
    w.U32(level);
    w.U32(w.Referent());
    w.U32(0);       // EntriesRead
    w.NullPointer();  // Buffer
}

void WriteResume(NdrWriter& w, DWORD prefmaxlen, DWORD resume) {
    w.U32(prefmaxlen);
    w.U32(w.Referent());
    w.U32(resume);
}

// Reads the enumeration structure of a reply: the level must be the one asked
// for; a null container or a null buffer means no records.
template <typename Record, typename Fixed, typename Deferred>
bool ReadEnumStruct(NdrReader& r, DWORD level, std::size_t recordBytes, Fixed fixed,
                    Deferred deferred, std::vector<Record>& out) {
    DWORD replyLevel = 0, arm = 0;
    bool container = false;
    if (!r.U32(replyLevel) || !r.U32(arm)) return false;
    if (replyLevel != level || arm != level) return r.Fail();
    if (!r.Pointer(container)) return false;
    if (!container) return true;
    DWORD entries = 0;
    bool buffer = false;
    if (!r.U32(entries) || !r.Pointer(buffer)) return false;
    if (!buffer) return entries == 0 ? true : r.Fail();
    if (!r.ArrayHeader(entries, recordBytes)) return false;
    std::vector<PointerFlags> flags(entries);
    out.resize(entries);
    for (DWORD i = 0; i < entries; ++i)
        if (!fixed(r, out[i], flags[i])) return false;
    for (DWORD i = 0; i < entries; ++i)
        if (!deferred(r, out[i], flags[i])) return false;
    return r.ok();
}

// TotalEntries, the resume handle and the status that end every enumeration.
template <typename Record>
NET_API_STATUS ReadEnumTail(NdrReader& r, EnumReply<Record>& out) {
    bool resume = false;
    if (!r.U32(out.total) || !r.Pointer(resume)) return RPC_S_PROTOCOL_ERROR;
    out.resume = 0;
    if (resume && !r.U32(out.resume)) return RPC_S_PROTOCOL_ERROR;
    if (!r.U32(out.status)) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

template <typename Record>
NET_API_STATUS Malformed(EnumReply<Record>& out) {
    out = EnumReply<Record>{};
    return RPC_S_PROTOCOL_ERROR;
}

// An enumeration request: its string arguments, the enumeration structure
// with no entries, the preferred length and the resume handle.
Stub EncodeEnum(std::initializer_list<const OptString*> strings, DWORD level, DWORD prefmaxlen,
                DWORD resume) {
    NdrWriter w;
    for (const OptString* s : strings) w.UniqueString(*s);
    WriteEmptyEnumStruct(w, level);
    WriteResume(w, prefmaxlen, resume);
    return w.Take();
}

// An enumeration reply of records `recordBytes` long on the wire at `level`.
template <typename Record, typename Fixed, typename Deferred>
NET_API_STATUS DecodeEnum(Bytes stub, DWORD level, std::size_t recordBytes, Fixed fixed,
                          Deferred deferred, EnumReply<Record>& out) {
    NdrReader r(stub);
    out = {};
    if (!ReadEnumStruct(r, level, recordBytes, fixed, deferred, out.records)) return Malformed(out);
    if (ReadEnumTail(r, out) != netapi::NERR_Success) return Malformed(out);
    return netapi::NERR_Success;
}

}  // namespace

Stub EncodeFileEnum(const OptString& server, const OptString& basepath, const OptString& user,
                    DWORD prefmaxlen, DWORD resume) {
    return EncodeEnum({&server, &basepath, &user}, 3, prefmaxlen, resume);
}

NET_API_STATUS DecodeFileEnum(Bytes stub, EnumReply<FileInfo3>& out) {
    auto fixed = [](NdrReader& rd, FileInfo3& f, PointerFlags& p) {
        return rd.U32(f.id) && rd.U32(f.permissions) && rd.U32(f.num_locks) &&
               rd.Pointer(p[0]) && rd.Pointer(p[1]);
    };
    auto deferred = [](NdrReader& rd, FileInfo3& f, const PointerFlags& p) {
        return rd.OptionalString(p[0], f.pathname) && rd.OptionalString(p[1], f.username);
    };
    return DecodeEnum(stub, 3, 20, fixed, deferred, out);
}

Stub EncodeSessionEnum(const OptString& server, const OptString& client, const OptString& user,
                       DWORD level, DWORD prefmaxlen, DWORD resume) {
    return EncodeEnum({&server, &client, &user}, level, prefmaxlen, resume);
}

NET_API_STATUS DecodeSessionEnum(Bytes stub, DWORD level, EnumReply<SessionInfo502>& out) {
    if (level == 502) {
        auto fixed = [](NdrReader& rd, SessionInfo502& s, PointerFlags& p) {
            return rd.Pointer(p[0]) && rd.Pointer(p[1]) && rd.U32(s.num_opens) &&
                   rd.U32(s.time) && rd.U32(s.idle_time) && rd.U32(s.user_flags) &&
                   rd.Pointer(p[2]) && rd.Pointer(p[3]);
        };
        auto deferred = [](NdrReader& rd, SessionInfo502& s, const PointerFlags& p) {
            return rd.OptionalString(p[0], s.cname) && rd.OptionalString(p[1], s.username) &&
                   rd.OptionalString(p[2], s.cltype_name) &&
                   rd.OptionalString(p[3], s.transport);
        };
        return DecodeEnum(stub, 502, 32, fixed, deferred, out);
    }
    if (level == 1) {
        auto fixed = [](NdrReader& rd, SessionInfo502& s, PointerFlags& p) {
            return rd.Pointer(p[0]) && rd.Pointer(p[1]) && rd.U32(s.num_opens) &&
                   rd.U32(s.time) && rd.U32(s.idle_time) && rd.U32(s.user_flags);
        };
        auto deferred = [](NdrReader& rd, SessionInfo502& s, const PointerFlags& p) {
            return rd.OptionalString(p[0], s.cname) && rd.OptionalString(p[1], s.username);
        };
        return DecodeEnum(stub, 1, 24, fixed, deferred, out);
    }
    if (level == 10) {
        auto fixed = [](NdrReader& rd, SessionInfo502& s, PointerFlags& p) {
            return rd.Pointer(p[0]) && rd.Pointer(p[1]) && rd.U32(s.time) &&
                   rd.U32(s.idle_time);
        };
        auto deferred = [](NdrReader& rd, SessionInfo502& s, const PointerFlags& p) {
            return rd.OptionalString(p[0], s.cname) && rd.OptionalString(p[1], s.username);
        };
        return DecodeEnum(stub, 10, 16, fixed, deferred, out);
    }
    return Malformed(out);
}

Stub EncodeShareEnumAll(const OptString& server, DWORD level, DWORD prefmaxlen, DWORD resume) {
    return EncodeEnum({&server}, level, prefmaxlen, resume);
}

NET_API_STATUS DecodeShareEnumAll(Bytes stub, DWORD level, EnumReply<ShareInfo2>& out) {
    if (level == 1) {
        auto fixed = [](NdrReader& rd, ShareInfo2& s, PointerFlags& p) {
            return rd.Pointer(p[0]) && rd.U32(s.type) && rd.Pointer(p[1]);
        };
        auto deferred = [](NdrReader& rd, ShareInfo2& s, const PointerFlags& p) {
            return rd.OptionalString(p[0], s.netname) && rd.OptionalString(p[1], s.remark);
        };
        return DecodeEnum(stub, 1, 12, fixed, deferred, out);
    }
    if (level != 2) return Malformed(out);
    auto fixed = [](NdrReader& rd, ShareInfo2& s, PointerFlags& p) {
        return rd.Pointer(p[0]) && rd.U32(s.type) && rd.Pointer(p[1]) &&
               rd.U32(s.permissions) && rd.U32(s.max_uses) && rd.U32(s.current_uses) &&
               rd.Pointer(p[2]) && rd.Pointer(p[3]);
    };
    auto deferred = [](NdrReader& rd, ShareInfo2& s, const PointerFlags& p) {
        return rd.OptionalString(p[0], s.netname) && rd.OptionalString(p[1], s.remark) &&
               rd.OptionalString(p[2], s.path) && rd.OptionalString(p[3], s.passwd);
    };
    return DecodeEnum(stub, 2, 32, fixed, deferred, out);
}

Stub EncodeConnectionEnum(const OptString& server, const OptString& qualifier, DWORD prefmaxlen,
                          DWORD resume) {
    return EncodeEnum({&server, &qualifier}, 1, prefmaxlen, resume);
}

NET_API_STATUS DecodeConnectionEnum(Bytes stub, EnumReply<ConnectionInfo1>& out) {
    auto fixed = [](NdrReader& rd, ConnectionInfo1& c, PointerFlags& p) {
        return rd.U32(c.id) && rd.U32(c.type) && rd.U32(c.num_opens) && rd.U32(c.num_users) &&
               rd.U32(c.time) && rd.Pointer(p[0]) && rd.Pointer(p[1]);
    };
    auto deferred = [](NdrReader& rd, ConnectionInfo1& c, const PointerFlags& p) {
        return rd.OptionalString(p[0], c.username) && rd.OptionalString(p[1], c.netname);
    };
    return DecodeEnum(stub, 1, 28, fixed, deferred, out);
}

namespace {

// A reply of one record: its level, a pointer to it, the record, the status.
// A success without the record is not an answer.
template <typename Record, typename Read>
NET_API_STATUS DecodeInfoReply(Bytes stub, DWORD level, Record& out, NET_API_STATUS& status,
                               Read read) {
    NdrReader r(stub);
    out = {};
    status = 0;
    DWORD arm = 0;
    bool info = false;
    if (!r.U32(arm) || !r.Pointer(info) || arm != level) return RPC_S_PROTOCOL_ERROR;
    if ((info && !read(r)) || !r.U32(status)) {
        out = {};
        return RPC_S_PROTOCOL_ERROR;
    }
    if (status == netapi::NERR_Success && !info) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

}  // namespace

Stub EncodeFileGetInfo3(const OptString& server, DWORD fileid) {
    NdrWriter w;
    w.UniqueString(server);
    w.U32(fileid);
    w.U32(3);
    return w.Take();
}

NET_API_STATUS DecodeFileGetInfo3(Bytes stub, FileInfo3& out, NET_API_STATUS& status) {
    return DecodeInfoReply(stub, 3, out, status, [&](NdrReader& r) {
        bool path = false, user = false;
        return r.U32(out.id) && r.U32(out.permissions) && r.U32(out.num_locks) && r.Pointer(path) &&
               r.Pointer(user) && r.OptionalString(path, out.pathname) &&
               r.OptionalString(user, out.username);
    });
}

Stub EncodeFileClose(const OptString& server, DWORD fileid) {
    NdrWriter w;
    w.UniqueString(server);
    w.U32(fileid);
    return w.Take();
}

Stub EncodeSessionDel(const OptString& server, const OptString& client, const OptString& user) {
    NdrWriter w;
    w.UniqueString(server);
    w.UniqueString(client);
    w.UniqueString(user);
    return w.Take();
}

NET_API_STATUS DecodeStatusOnly(Bytes stub, NET_API_STATUS& status) {
    NdrReader r(stub);
    status = 0;
    if (!r.U32(status)) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

Stub EncodeServerGetInfo101(const OptString& server) {
    NdrWriter w;
    w.UniqueString(server);
    w.U32(101);
    return w.Take();
}

NET_API_STATUS DecodeServerGetInfo101(Bytes stub, netapi::ServerInfo101& out,
                                      NET_API_STATUS& status) {
    return DecodeInfoReply(stub, 101, out, status, [&](NdrReader& r) {
        bool name = false, comment = false;
        return r.U32(out.platform_id) && r.Pointer(name) && r.U32(out.version_major) &&
               r.U32(out.version_minor) && r.U32(out.type) && r.Pointer(comment) &&
               r.OptionalString(name, out.name) && r.OptionalString(comment, out.comment);
    });
}

Stub EncodeServerSetInfo1005(const OptString& server, const OptString& comment) {
    NdrWriter w;
    w.UniqueString(server);
    w.U32(1005);
    w.U32(1005);
    w.U32(w.Referent());  // SERVER_INFO_1005*
    w.UniqueString(comment);  // its one embedded pointer, deferred right behind it
    w.U32(w.Referent());      // ParmErr
    w.U32(0);
    return w.Take();
}

NET_API_STATUS DecodeServerSetInfo(Bytes stub, NET_API_STATUS& status) {
    NdrReader r(stub);
    status = 0;
    bool parmErr = false;
    DWORD index = 0;
    if (!r.Pointer(parmErr)) return RPC_S_PROTOCOL_ERROR;
    if (parmErr && !r.U32(index)) return RPC_S_PROTOCOL_ERROR;
    if (!r.U32(status)) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

Stub EncodeRemoteTOD(const OptString& server) {
    NdrWriter w;
    w.UniqueString(server);
    return w.Take();
}

NET_API_STATUS DecodeRemoteTOD(Bytes stub, netapi::TimeOfDay& out, NET_API_STATUS& status) {
    NdrReader r(stub);
    out = {};
    status = 0;
    bool info = false;
    if (!r.Pointer(info)) return RPC_S_PROTOCOL_ERROR;
    if (info) {
        DWORD tz = 0;
        if (!r.U32(out.elapsedt) || !r.U32(out.msecs) || !r.U32(out.hours) || !r.U32(out.mins) ||
            !r.U32(out.secs) || !r.U32(out.hunds) || !r.U32(tz) || !r.U32(out.tinterval) ||
            !r.U32(out.day) || !r.U32(out.month) || !r.U32(out.year) || !r.U32(out.weekday)) {
            out = {};
            return RPC_S_PROTOCOL_ERROR;
        }
        out.timezone = static_cast<netapi::LONG>(tz);
    }
    if (!r.U32(status)) {
        out = {};
        return RPC_S_PROTOCOL_ERROR;
    }
    if (status == netapi::NERR_Success && !info) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

}  // namespace smb::srvsvc
