#include "SrvsvcClient.h"

#include <algorithm>
#include <unordered_set>

#include "Srvsvc.h"
#include "SrvsvcShares.h"
#include "text/Text.h"

namespace smb {

using netapi::DWORD;
using netapi::EnumResult;
using netapi::NERR_Success;
using netapi::NET_API_STATUS;
using netapi::OptString;

namespace {

// Empty filters are no filters; the wire says so with a null pointer.
OptString NullIfEmpty(const OptString& s) {
    if (!s || s->empty()) return std::nullopt;
    return s;
}

// Asks for one part after another until the server says it is done. A list
// that would go past a limit, or a server that hands out a resume handle it
// gave before, ends with what came so far and 234: an incomplete list, which
// the callers report.
template <typename Record, typename Encode, typename Decode>
EnumResult<Record> EnumAll(RpcBinding& binding, std::uint16_t opnum, Encode encode,
                           Decode decode) {
    EnumResult<Record> result;
    DWORD resume = 0;
    DWORD firstTotal = 0;
    std::unordered_set<DWORD> seen{0};
    std::size_t bytes = 0;
    for (int part = 0;; ++part) {
        std::vector<std::uint8_t> reply;
        NET_API_STATUS status = binding.Call(opnum, encode(resume), reply);
        srvsvc::EnumReply<Record> r;
        if (status == NERR_Success) status = decode(reply, r);
        if (status != NERR_Success) return EnumResult<Record>{status, {}, 0};
        if (r.status != NERR_Success && r.status != netapi::ERROR_MORE_DATA)
            return EnumResult<Record>{r.status, {}, 0};
        if (part == 0) firstTotal = r.total;
        bytes += reply.size();
        const bool progress = !r.records.empty();
        const std::size_t room = SrvsvcClient::kMaxRecords - result.records.size();
        const bool overflow = r.records.size() > room;
        if (overflow) r.records.resize(room);
        std::move(r.records.begin(), r.records.end(), std::back_inserter(result.records));
        const auto count = static_cast<DWORD>(std::min<std::size_t>(result.records.size(), 0xFFFFFFFFu));
        if (r.status == NERR_Success && !overflow) {
            result.status = NERR_Success;
            result.total = std::max(firstTotal, count);
            return result;
        }
        // More data: go on only while the server moves forward and the list
        // stays within its limits.
        if (overflow || !progress || !seen.insert(r.resume).second ||
            part + 1 >= SrvsvcClient::kMaxParts || bytes >= SrvsvcClient::kMaxListBytes) {
            result.status = netapi::ERROR_MORE_DATA;
            result.total = std::max(firstTotal, count);
            return result;
        }
        resume = r.resume;
    }
}

// One call answered by a status of the server's: `decode(reply, status)` reads
// it. A failed call or a malformed reply gives its own status instead.
template <typename Decode>
NET_API_STATUS CallForStatus(RpcBinding& binding, std::uint16_t opnum,
                             const std::vector<std::uint8_t>& request, Decode decode) {
    std::vector<std::uint8_t> reply;
    NET_API_STATUS status = binding.Call(opnum, request, reply);
    if (status != NERR_Success) return status;
    NET_API_STATUS server = 0;
    status = decode(reply, server);
    return status != NERR_Success ? status : server;
}

std::u16string StripBackslashes(const std::u16string& s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == u'\\') ++i;
    return s.substr(i);
}

}  // namespace

SrvsvcClient::SrvsvcClient(RpcBinding& binding, std::u16string serverArg)
    : mBinding(binding), mServerArg(std::move(serverArg)) {}

EnumResult<netapi::FileInfo3> SrvsvcClient::FileEnum(const OptString& basepath,
                                                     const OptString& user) {
    const OptString base = NullIfEmpty(basepath), who = NullIfEmpty(user);
    return EnumAll<netapi::FileInfo3>(
        mBinding, srvsvc::kOpFileEnum,
        [&](DWORD resume) {
            return srvsvc::EncodeFileEnum(Server(), base, who, netapi::MAX_PREFERRED_LENGTH, resume);
        },
        [](const std::vector<std::uint8_t>& stub, srvsvc::EnumReply<netapi::FileInfo3>& r) {
            return srvsvc::DecodeFileEnum(stub, r);
        });
}

NET_API_STATUS SrvsvcClient::FileClose(DWORD fileid) {
    return CallForStatus(mBinding, srvsvc::kOpFileClose, srvsvc::EncodeFileClose(Server(), fileid),
                         srvsvc::DecodeStatusOnly);
}

NET_API_STATUS SrvsvcClient::FileGetInfo(DWORD fileid, netapi::FileInfo3& out) {
    out = {};
    if (!mNoFileGetInfo) {
        const NET_API_STATUS status = CallForStatus(
            mBinding, srvsvc::kOpFileGetInfo, srvsvc::EncodeFileGetInfo3(Server(), fileid),
            [&out](srvsvc::Bytes stub, NET_API_STATUS& server) {
                return srvsvc::DecodeFileGetInfo3(stub, out, server);
            });
        if (status != netapi::RPC_S_PROCNUM_OUT_OF_RANGE) return status;
        mNoFileGetInfo = true;
    }
    // A server without the call (Samba) is asked for its whole list instead:
    // the id is looked up in what the server holds now. In a list cut short
    // an id not found may still be open, so that is no answer.
    auto files = FileEnum(std::nullopt, std::nullopt);
    if (files.status != NERR_Success && files.status != netapi::ERROR_MORE_DATA)
        return files.status;
    for (auto& f : files.records)
        if (f.id == fileid) {
            out = std::move(f);
            return NERR_Success;
        }
    return files.status == NERR_Success ? netapi::NERR_FileIdNotFound : files.status;
}

EnumResult<netapi::SessionInfo502> SrvsvcClient::SessionEnum(const OptString& client,
                                                             const OptString& user, DWORD level) {
    const OptString from = NullIfEmpty(client), who = NullIfEmpty(user);
    auto run = [&](DWORD level) {
        return EnumAll<netapi::SessionInfo502>(
            mBinding, srvsvc::kOpSessionEnum,
            [&](DWORD resume) {
                return srvsvc::EncodeSessionEnum(Server(), from, who, level,
                                                 netapi::MAX_PREFERRED_LENGTH, resume);
            },
            [level](const std::vector<std::uint8_t>& stub,
                    srvsvc::EnumReply<netapi::SessionInfo502>& r) {
                return srvsvc::DecodeSessionEnum(stub, level, r);
            });
    };
    EnumResult<netapi::SessionInfo502> result;
    if (level != 502) {
        result = run(level);
    } else {
        // A server without level 502 (Samba) has level 1, which lacks only
        // the client type and transport. One that refuses 502 to this caller
        // (5) refuses 1 as well: the caller then asks for level 10.
        if (!mSessionLevel1) {
            result = run(502);
            if (result.status == netapi::ERROR_INVALID_LEVEL) mSessionLevel1 = true;
        }
        if (mSessionLevel1) result = run(1);
    }
    // Some servers (Samba) ignore the filters; apply them here as well.
    if (from || who) {
        const std::u16string wantClient = from ? StripBackslashes(*from) : std::u16string();
        std::erase_if(result.records, [&](const netapi::SessionInfo502& s) {
            if (from && !text::EqualsIgnoreCase(StripBackslashes(s.cname.value_or(u"")), wantClient))
                return true;
            return who && !text::EqualsIgnoreCase(s.username.value_or(u""), *who);
        });
        result.total = static_cast<DWORD>(result.records.size());
    }
    return result;
}

NET_API_STATUS SrvsvcClient::SessionDel(const OptString& client, const OptString& user) {
    return CallForStatus(
        mBinding, srvsvc::kOpSessionDel,
        srvsvc::EncodeSessionDel(Server(), NullIfEmpty(client), NullIfEmpty(user)),
        srvsvc::DecodeStatusOnly);
}

EnumResult<netapi::ShareInfo2> SrvsvcClient::ShareEnum(DWORD level) {
    return EnumAll<netapi::ShareInfo2>(
        mBinding, srvsvc::kOpShareEnumAll,
        [&](DWORD resume) {
            return srvsvc::EncodeShareEnumAll(Server(), level, netapi::MAX_PREFERRED_LENGTH, resume);
        },
        [level](const std::vector<std::uint8_t>& stub, srvsvc::EnumReply<netapi::ShareInfo2>& r) {
            return srvsvc::DecodeShareEnumAll(stub, level, r);
        });
}

EnumResult<netapi::ConnectionInfo1> SrvsvcClient::ConnectionEnum(const OptString& qualifier) {
    return EnumAll<netapi::ConnectionInfo1>(
        mBinding, srvsvc::kOpConnectionEnum,
        [&](DWORD resume) {
            return srvsvc::EncodeConnectionEnum(Server(), qualifier, netapi::MAX_PREFERRED_LENGTH,
                                                resume);
        },
        [](const std::vector<std::uint8_t>& stub, srvsvc::EnumReply<netapi::ConnectionInfo1>& r) {
            return srvsvc::DecodeConnectionEnum(stub, r);
        });
}

NET_API_STATUS SrvsvcClient::ServerGetInfo(netapi::ServerInfo101& out) {
    return CallForStatus(mBinding, srvsvc::kOpServerGetInfo,
                         srvsvc::EncodeServerGetInfo101(Server()),
                         [&out](srvsvc::Bytes reply, NET_API_STATUS& server) {
                             return srvsvc::DecodeServerGetInfo101(reply, out, server);
                         });
}

NET_API_STATUS SrvsvcClient::ServerSetComment(const OptString& comment) {
    return CallForStatus(mBinding, srvsvc::kOpServerSetInfo,
                         srvsvc::EncodeServerSetInfo1005(Server(), comment),
                         srvsvc::DecodeServerSetInfo);
}

NET_API_STATUS SrvsvcClient::RemoteTOD(netapi::TimeOfDay& out) {
    return CallForStatus(mBinding, srvsvc::kOpRemoteTOD, srvsvc::EncodeRemoteTOD(Server()),
                         [&out](srvsvc::Bytes reply, NET_API_STATUS& server) {
                             return srvsvc::DecodeRemoteTOD(reply, out, server);
                         });
}

NET_API_STATUS SrvsvcClient::ShareAdd(DWORD level, const netapi::ShareDetails& share,
                                      DWORD& parm_err) {
    parm_err = 0;
    return CallForStatus(mBinding, srvsvc::kOpShareAdd,
                         srvsvc::EncodeShareAdd(Server(), level, share),
                         [&](srvsvc::Bytes stub, NET_API_STATUS& status) {
                             return srvsvc::DecodeShareParmErr(stub, parm_err, status);
                         });
}

NET_API_STATUS SrvsvcClient::ShareDel(const std::u16string& netname) {
    return CallForStatus(mBinding, srvsvc::kOpShareDel, srvsvc::EncodeShareDel(Server(), netname),
                         srvsvc::DecodeStatusOnly);
}

NET_API_STATUS SrvsvcClient::ShareGetInfo(const std::u16string& netname, DWORD level,
                                          netapi::ShareDetails& out) {
    return CallForStatus(mBinding, srvsvc::kOpShareGetInfo,
                         srvsvc::EncodeShareGetInfo(Server(), netname, level),
                         [&](srvsvc::Bytes stub, NET_API_STATUS& status) {
                             return srvsvc::DecodeShareGetInfo(stub, level, out, status);
                         });
}

NET_API_STATUS SrvsvcClient::ShareSetInfo(const std::u16string& netname, DWORD level,
                                          const netapi::ShareDetails& share, DWORD& parm_err) {
    parm_err = 0;
    return CallForStatus(mBinding, srvsvc::kOpShareSetInfo,
                         srvsvc::EncodeShareSetInfo(Server(), netname, level, share),
                         [&](srvsvc::Bytes stub, NET_API_STATUS& status) {
                             return srvsvc::DecodeShareParmErr(stub, parm_err, status);
                         });
}

}  // namespace smb
