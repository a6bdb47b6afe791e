// Drives the provider's paging loop with a server the fuzzer scripts: every
// request for the next part of the open-file list gets records, a total, a
// resume handle and a status taken from the input, through the real RPC
// client, the netapi buffers and the collection. Whatever the server does, the
// list ends, stays within its limits, and every buffer is released.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SmbTestServer.h"
#include "netenum/colFileEnum.h"
#include "netenum/netapi.h"
#include "smb/SmbProvider.h"
#include "smb/SrvsvcClient.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    auto byte = [&in] { return in.ConsumeIntegral<std::uint8_t>(); };
    auto word = [&in] { return in.ConsumeIntegral<std::uint32_t>(); };
    int parts = 0;
    auto servers = std::make_shared<smbtest::ScriptedServers>(
        [&](const std::string&, const std::string&, const smbtest::Request&) {
            ++parts;
            if (in.remaining_bytes() == 0) return smbtest::FileEnumReply({}, 0, 0, netapi::NERR_Success);
            const std::uint8_t shape = byte();
            std::vector<netapi::FileInfo3> records(shape % 5);
            for (auto& r : records) {
                r.id = word();
                r.num_locks = word();
                const std::uint8_t length = byte() % 12;
                std::u16string path;
                for (std::uint8_t i = 0; i < length; ++i) path.push_back(static_cast<char16_t>(byte()));
                r.pathname = path;
            }
            // Resume handles from a small set, so that repeats and cycles are common.
            const std::uint32_t resume = (shape & 0x20) ? word() : byte() % 4;
            const std::uint32_t total = (shape & 0x40) ? word() : byte();
            netapi::DWORD status = netapi::ERROR_MORE_DATA;
            if ((shape & 0x88) == 0x88) status = netapi::NERR_Success;
            else if ((shape & 0x88) == 0x08) status = word();
            return smbtest::FileEnumReply(records, total, resume, status);
        });
    netapi::SetProvider(std::make_shared<smb::SmbProvider>(servers));
    {
        netenum::colFileEnum files;
        files.Init(u"srv");
        if (parts > smb::SrvsvcClient::kMaxParts) __builtin_trap();
        if (files.Count() > smb::SrvsvcClient::kMaxRecords) __builtin_trap();
        if (files.Incomplete() && files.TotalEntries() < files.Count()) __builtin_trap();
    }
    netapi::SetProvider(nullptr);
    if (netapi::LiveBufferCount() != 0) __builtin_trap();
    return 0;
}
