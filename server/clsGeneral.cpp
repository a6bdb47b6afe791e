#include "clsGeneral.h"

#include <algorithm>
#include <climits>

#include "netenum/MessageTarget.h"
#include "netenum/NetCalls.h"
#include "netenum/modAPI_Error.h"
#include "netenum/netapi.h"

namespace server {

using netenum::AppendToCurrentForm;

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
    const netenum::SessionTotal sessions = netenum::CountSessions(mServerName);
    if (sessions.status == netapi::NERR_Success || sessions.status == netapi::ERROR_MORE_DATA) {
        // The server's claim, never shown as a negative number.
        mNumSessions = static_cast<std::int32_t>(std::min<netapi::DWORD>(sessions.total, INT32_MAX));
        mSessionsRead = true;
    } else {
        Failed(netenum::FailureLineWithAdvice(u"NetSessionEnum", sessions.status,
                                              netenum::kAdviceAccount, mServerName),
               sessions.status);
    }
}

// Open files, their locks and how many are named pipes.
void clsGeneral::CountOpenFiles() {
    const netenum::OpenFileTotals files = netenum::CountOpenFiles(mServerName);
    if (files.status == netapi::NERR_Success || files.status == netapi::ERROR_MORE_DATA) {
        mNumOpenPipes = files.pipes;
        mNumOpenFiles = static_cast<std::int32_t>(files.files);
        mNumFileLocks = static_cast<std::int32_t>(std::min<std::uint64_t>(files.locks, INT32_MAX));
        mFilesRead = true;
    } else {
        Failed(netenum::FailureLineWithAdvice(u"NetFileEnum", files.status, netenum::kAdviceAccount,
                                              mServerName),
               files.status);
    }
}

void clsGeneral::ReadDescription() {
    const netenum::ServerComment description = netenum::ReadServerComment(mServerName);
    if (description.comment) {
        mComputerDesc = *description.comment;
        mComputerDescRead = true;
    }
    else if (description.status != netapi::NERR_Success)
        Failed(netenum::FailureLine(u"NetServerGetInfo", description.status) +
                   netenum::TimeoutWords(mServerName, description.status),
               description.status);
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
