#include "clsGeneral.h"

#include <algorithm>
#include <climits>

#include "netenum/MessageTarget.h"
#include "netenum/NetBuffer.h"
#include "netenum/ReadRecords.h"
#include "text/Text.h"
#include "netenum/modAPI_Error.h"
#include "netenum/netapi.h"

namespace server {
namespace {

using netenum::AppendToCurrentForm;

// "\PIPE\" at the start of the path, in any letter case.
bool IsPipePath(const char16_t* path) {
    static constexpr char16_t kPrefix[] = u"\\PIPE\\";
    if (path == nullptr) return false;
    for (int i = 0; i < 6; ++i) {
        if (path[i] == 0 || text::ToUpperChar(path[i]) != kPrefix[i]) return false;
    }
    return true;
}

}  // namespace

void clsGeneral::Init(const std::u16string& ServerName) {
    mServerName = ServerName;
    for (void (clsGeneral::*step)() : {&clsGeneral::CountSessions, &clsGeneral::CountOpenFiles,
                                       &clsGeneral::ReadDescription}) {
        (this->*step)();
        if (mCancelled) break;
    }
    ReadLocalComputerName();
}

// Sessions: only the server's total is needed, not the records.
void clsGeneral::CountSessions() {
    const std::u16string empty;
    netenum::NetBuffer buffer;
    netapi::DWORD entriesRead = 0, totalEntries = 0;
    auto status = netapi::NetSessionEnum(
        mServerName.c_str(), empty.c_str(), empty.c_str(), 502, buffer.Out(),
        netapi::MAX_PREFERRED_LENGTH, &entriesRead, &totalEntries, nullptr);
    if (netenum::LevelRefused(status)) {
        // The count is all that is needed: level 10, which anyone may ask
        // for, gives it too. Its failure leaves the first one to report.
        netenum::NetBuffer lower;
        netapi::DWORD lowerRead = 0, lowerTotal = 0;
        const auto lowerStatus = netapi::NetSessionEnum(
            mServerName.c_str(), empty.c_str(), empty.c_str(), 10, lower.Out(),
            netapi::MAX_PREFERRED_LENGTH, &lowerRead, &lowerTotal, nullptr);
        if (lowerStatus == netapi::NERR_Success || lowerStatus == netapi::ERROR_MORE_DATA) {
            status = lowerStatus;
            totalEntries = lowerTotal;
        }
    }
    if (status == netapi::NERR_Success || status == netapi::ERROR_MORE_DATA) {
        // The server's claim, never shown as a negative number.
        mNumSessions = static_cast<std::int32_t>(std::min<netapi::DWORD>(totalEntries, INT32_MAX));
        mSessionsRead = true;
    } else {
        Failed(netenum::FailureLineWithAdvice(u"NetSessionEnum", status, netenum::kAdviceAccount,
                                              mServerName),
               status);
    }
}

// Open files, their locks and how many are named pipes.
void clsGeneral::CountOpenFiles() {
    const std::u16string empty;
    netenum::NetBuffer buffer;
    netapi::DWORD entriesRead = 0, totalEntries = 0, resumeHandle = 0;
    const auto status = netapi::NetFileEnum(mServerName.c_str(), empty.c_str(), empty.c_str(),
                                            3, buffer.Out(), netapi::MAX_PREFERRED_LENGTH,
                                            &entriesRead, &totalEntries, &resumeHandle);
    if (status == netapi::NERR_Success || status == netapi::ERROR_MORE_DATA) {
        std::uint64_t locks = 0;  // counts from the server are unsigned and may be huge
        std::int32_t pipes = 0;
        const auto* records = buffer.As<netapi::FILE_INFO_3>();
        for (netapi::DWORD i = 0; records != nullptr && i < entriesRead; ++i) {
            locks += records[i].fi3_num_locks;
            if (IsPipePath(records[i].fi3_pathname)) ++pipes;
        }
        mNumOpenPipes = pipes;
        mNumOpenFiles = static_cast<std::int32_t>(entriesRead);
        mNumFileLocks = static_cast<std::int32_t>(std::min<std::uint64_t>(locks, INT32_MAX));
        mFilesRead = true;
    } else {
        Failed(netenum::FailureLineWithAdvice(u"NetFileEnum", status, netenum::kAdviceAccount,
                                              mServerName),
               status);
    }
}

void clsGeneral::ReadDescription() {
    netenum::NetBuffer buffer;
    const auto status = netapi::NetServerGetInfo(mServerName.c_str(), 101, buffer.Out());
    if (status == netapi::NERR_Success && buffer) {
        mComputerDesc = netenum::PointerToString(&buffer.As<netapi::SERVER_INFO_101>()->sv101_comment);
        mComputerDescRead = true;
    }
    else if (status != netapi::NERR_Success)
        Failed(netenum::FailureLine(u"NetServerGetInfo", status) +
                   netenum::TimeoutWords(mServerName, status),
               status);
}

void clsGeneral::Failed(const std::u16string& line, netapi::NET_API_STATUS status) {
    AppendToCurrentForm(line);
    if (status == netenum::kCancelled) mCancelled = true;
}

// The computer the program runs on; on failure the name stays empty.
void clsGeneral::ReadLocalComputerName() {
    char16_t name[256] = {};
    netapi::DWORD size = 256;
    const auto status = netapi::GetLocalComputerName(name, &size);
    if (status == netapi::NERR_Success)
        mLocalComputerName.assign(name, size);
    else
        AppendToCurrentForm(netenum::FailureLine(u"GetComputerName", status));
}

void clsGeneral::SetComputerDesc(const std::u16string& ComputerDescription) {
    std::u16string comment = ComputerDescription;
    netapi::SERVER_INFO_1005 record{comment.data()};
    const auto status = netapi::NetServerSetInfo(mServerName.c_str(), 1005,
                                                 reinterpret_cast<netapi::LPBYTE>(&record), nullptr);
    if (status == netapi::NERR_Success)
        mComputerDesc = ComputerDescription;
    else
        AppendToCurrentForm(netenum::FailureLine(u"NetServerSetInfo", status) +
                            netenum::TimeoutWords(mServerName, status));
}

}  // namespace server
