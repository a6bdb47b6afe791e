#include "SrvsvcShares.h"

#include "NdrReader.h"
#include "NdrWriter.h"
#include "netenum/SecurityDescriptor.h"

namespace smb::srvsvc {
namespace {

// A [string] wchar_t* embedded in a structure: its referent now, its body
// among the deferred ones.
void EmbeddedPointer(NdrWriter& w, const OptString& s) {
    if (s) w.U32(w.Referent());
    else w.NullPointer();
}
void Deferred(NdrWriter& w, const OptString& s) {
    if (s) w.ConformantString(*s);
}

// The descriptor bytes behind a [size_is(reserved)] unsigned char*.
void DescriptorBody(NdrWriter& w, const std::vector<std::uint8_t>& sd) {
    w.U32(static_cast<std::uint32_t>(sd.size()));
    w.Bytes(sd.data(), sd.size());
}

void WriteInfo2Fixed(NdrWriter& w, const netapi::ShareDetails& s) {
    EmbeddedPointer(w, s.netname);
    w.U32(s.type);
    EmbeddedPointer(w, s.remark);
    w.U32(s.permissions);
    w.U32(s.max_uses);
    w.U32(s.current_uses);
    EmbeddedPointer(w, s.path);
    EmbeddedPointer(w, s.passwd);
}

void WriteInfo2Deferred(NdrWriter& w, const netapi::ShareDetails& s) {
    Deferred(w, s.netname);
    Deferred(w, s.remark);
    Deferred(w, s.path);
    Deferred(w, s.passwd);
}

// The ParmErr argument: asked for, starting at 0.
void WriteParmErr(NdrWriter& w) {
    w.U32(w.Referent());
    w.U32(0);
}

}  // namespace

Stub EncodeShareAdd(const OptString& server, DWORD level, const netapi::ShareDetails& share) {
    NdrWriter w;
    w.UniqueString(server);
    w.U32(level);
    w.U32(level);
    w.U32(w.Referent());
    WriteInfo2Fixed(w, share);
    const bool sd = level == 502 && share.security_descriptor.has_value();
    if (level == 502) {
        w.U32(sd ? static_cast<std::uint32_t>(share.security_descriptor->size()) : 0);
        if (sd) w.U32(w.Referent());
        else w.NullPointer();
    }
    WriteInfo2Deferred(w, share);
    if (sd) DescriptorBody(w, *share.security_descriptor);
    WriteParmErr(w);
    return w.Take();
}

Stub EncodeShareDel(const OptString& server, const std::u16string& netname) {
    NdrWriter w;
    w.UniqueString(server);
    w.ConformantString(netname);
    w.U32(0);  // reserved
    return w.Take();
}

Stub EncodeShareGetInfo(const OptString& server, const std::u16string& netname, DWORD level) {
    NdrWriter w;
    w.UniqueString(server);
    w.ConformantString(netname);
    w.U32(level);
    return w.Take();
}

NET_API_STATUS DecodeShareGetInfo(Bytes stub, DWORD level, netapi::ShareDetails& out,
                                  NET_API_STATUS& status) {
    NdrReader r(stub);
    out = {};
    status = 0;
    DWORD arm = 0;
    bool info = false;
    auto malformed = [&] {
        out = {};
        return RPC_S_PROTOCOL_ERROR;
    };
    if (!r.U32(arm) || arm != level || !r.Pointer(info)) return malformed();
    if (info) {
        if (level == 1005) {
            if (!r.U32(out.flags)) return malformed();
        } else if (level == 2 || level == 502) {
            bool p[5] = {};
            if (!r.Pointer(p[0]) || !r.U32(out.type) || !r.Pointer(p[1]) || !r.U32(out.permissions) ||
                !r.U32(out.max_uses) || !r.U32(out.current_uses) || !r.Pointer(p[2]) ||
                !r.Pointer(p[3]))
                return malformed();
            if (level == 502 && (!r.U32(out.reserved) || !r.Pointer(p[4]))) return malformed();
            if (!r.OptionalString(p[0], out.netname) || !r.OptionalString(p[1], out.remark) ||
                !r.OptionalString(p[2], out.path) || !r.OptionalString(p[3], out.passwd))
                return malformed();
            if (p[4]) {
                // The server's size, checked against what it sent and against
                // what a share's descriptor can be before anything is kept.
                if (out.reserved > netapi::kMaxSecurityDescriptorBytes ||
                    !r.ArrayHeader(out.reserved, 1))
                    return malformed();
                std::vector<std::uint8_t> sd(out.reserved);
                if (!r.Bytes(sd.data(), sd.size())) return malformed();
                out.security_descriptor = std::move(sd);
            }
        } else {
            return malformed();
        }
    }
    if (!r.U32(status)) return malformed();
    if (status == netapi::NERR_Success && !info) return malformed();
    return netapi::NERR_Success;
}

Stub EncodeShareSetInfo(const OptString& server, const std::u16string& netname, DWORD level,
                        const netapi::ShareDetails& share) {
    NdrWriter w;
    w.UniqueString(server);
    w.ConformantString(netname);
    w.U32(level);
    w.U32(level);
    w.U32(w.Referent());
    switch (level) {
    case 2:
        WriteInfo2Fixed(w, share);
        WriteInfo2Deferred(w, share);
        break;
    case 1004:
        EmbeddedPointer(w, share.remark);
        Deferred(w, share.remark);
        break;
    case 1005: w.U32(share.flags); break;
    case 1006: w.U32(share.max_uses); break;
    case 1501: {
        const auto& sd = share.security_descriptor;
        w.U32(sd ? static_cast<std::uint32_t>(sd->size()) : 0);
        if (sd) {
            w.U32(w.Referent());
            DescriptorBody(w, *sd);
        } else {
            w.NullPointer();
        }
        break;
    }
    default: break;
    }
    WriteParmErr(w);
    return w.Take();
}

NET_API_STATUS DecodeShareParmErr(Bytes stub, DWORD& parm_err, NET_API_STATUS& status) {
    NdrReader r(stub);
    parm_err = 0;
    status = 0;
    bool present = false;
    if (!r.Pointer(present)) return RPC_S_PROTOCOL_ERROR;
    if (present && !r.U32(parm_err)) return RPC_S_PROTOCOL_ERROR;
    if (!r.U32(status)) return RPC_S_PROTOCOL_ERROR;
    return netapi::NERR_Success;
}

}  // namespace smb::srvsvc
