#pragma once
// The usage summary of one computer, taken in one go: sessions, open files,
// their locks, named pipes, the description; plus the local computer's name.
#include <cstdint>
#include <string>

namespace server {

class clsGeneral {
public:
    // Four calls: sessions, open files, server information, local computer
    // name. Failures become System Messages lines; the figures stay 0. Once
    // the person gives a call up, the summary's other calls are not made.
    void Init(const std::u16string& ServerName = {});

    std::int32_t NumSessions() const { return mNumSessions; }
    std::int32_t NumFileLocks() const { return mNumFileLocks; }
    std::int32_t NumOpenFiles() const { return mNumOpenFiles; }
    std::int32_t NumOpenPipes() const { return mNumOpenPipes; }
    // Whether the server gave the count: a 0 that was never read is no count.
    bool SessionsRead() const { return mSessionsRead; }
    // Open files, their locks and the named pipes come from one call.
    bool FilesRead() const { return mFilesRead; }
    // A call of the summary was given up by the person.
    bool Cancelled() const { return mCancelled; }
    const std::u16string& LocalComputerName() const { return mLocalComputerName; }

    const std::u16string& ComputerDesc() const { return mComputerDesc; }
    // Whether the description came from the computer; when not, ComputerDesc()
    // is empty for want of an answer, not because the computer has none.
    bool ComputerDescRead() const { return mComputerDescRead; }
    // Writes the description to the computer (even when unchanged) and keeps
    // it only when the write succeeded.
    void SetComputerDesc(const std::u16string& ComputerDescription);

private:
    void CountSessions();
    void CountOpenFiles();
    void ReadDescription();
    void ReadLocalComputerName();
    // A call's failure line to the message target; a call given up ends the summary.
    void Failed(const std::u16string& line, std::uint32_t status);

    std::int32_t mNumSessions = 0;
    std::int32_t mNumFileLocks = 0;
    std::int32_t mNumOpenFiles = 0;
    std::int32_t mNumOpenPipes = 0;
    std::u16string mComputerDesc;
    bool mComputerDescRead = false;
    bool mSessionsRead = false;
    bool mFilesRead = false;
    bool mCancelled = false;
    std::u16string mLocalComputerName;
    std::u16string mServerName;
};

}  // namespace server
