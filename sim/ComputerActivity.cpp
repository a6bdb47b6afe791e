// A simulated server's scripted activity: files opened and closed by its
// users, one step per period, the same steps from the same seed.
#include <algorithm>
#include <array>

#include "ComputerModel.h"
#include "NameCompare.h"
#include "ScenarioError.h"

namespace sim {

namespace {

constexpr DWORD kMaxPeriodMs = 24u * 3600u * 1000u;  // one day
constexpr std::uint64_t kMaxCatchUpSteps = 1000;     // per call; older steps are dropped

}  // namespace

void ComputerModel::SetUpActivity(const std::string& source, const std::string& place) {
    if (mActivity) {
        const std::string at = place + "/activity";
        if (mActivity->period_ms == 0 || mActivity->period_ms > kMaxPeriodMs)
            throw ScenarioError(source, at + "/period_ms",
                                "out of range: " + std::to_string(mActivity->period_ms) +
                                    " is not between 1 and " + std::to_string(kMaxPeriodMs));
        DWORD files = 0;
        for (const auto& [seq, f] : mFiles)
            if (!IsPipe(f.path)) ++files;
        mMinFiles = mActivity->min_files.value_or(files > 10 ? files - 10 : 0);
        mMaxFiles = mActivity->max_files.value_or(files + 10);
        if (mMinFiles > mMaxFiles)
            throw ScenarioError(source, at, "min_files is greater than max_files");
        mRandom = mActivity->seed;
        for (const auto& [seq, f] : mFiles) mNextFileId = std::max(mNextFileId, f.id + 1);
    }
}

void ComputerModel::StartActivityClock(std::chrono::system_clock::time_point now) {
    mEpoch = now;
    mStepsAtEpoch = mStepsApplied;
}

void ComputerModel::CatchUp(std::chrono::system_clock::time_point now) {
    if (!mActivity || now <= mEpoch) return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - mEpoch).count();
    const std::uint64_t due = mStepsAtEpoch + static_cast<std::uint64_t>(elapsed) / mActivity->period_ms;
    if (due <= mStepsApplied) return;
    if (due - mStepsApplied > kMaxCatchUpSteps) mStepsApplied = due - kMaxCatchUpSteps;
    while (mStepsApplied < due) {
        Step();
        ++mStepsApplied;
    }
}

// splitmix64: the same numbers from the same seed on every platform.
std::uint64_t ComputerModel::NextRandom() {
    std::uint64_t z = (mRandom += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// One step closes a file, opens one, or both, keeping the number of open
// files (pipes aside) between min_files and max_files.
void ComputerModel::Step() {
    std::vector<std::map<std::uint64_t, FileRec>::iterator> closable;
    for (auto it = mFiles.begin(); it != mFiles.end(); ++it)
        if (!IsPipe(it->second.path)) closable.push_back(it);
    const std::size_t n = closable.size();
    std::uint64_t action = NextRandom() % 3;  // 0 open, 1 close, 2 both
    if (n <= mMinFiles) action = 0;
    else if (n >= mMaxFiles) action = 1;

    if (action != 0 && n > 0) RemoveFile(closable[NextRandom() % n]);
    if (action == 1 || mActivity->paths.empty()) return;

    // Guests only look around; the opening is done by signed-in users.
    std::vector<SessionRec*> openers;
    for (SessionRec& s : mSessions)
        if ((s.value.flags & netapi::SESS_GUEST) == 0) openers.push_back(&s);
    if (openers.empty()) return;
    SessionRec& s = *openers[NextRandom() % openers.size()];
    const std::u16string& path = mActivity->paths[NextRandom() % mActivity->paths.size()];
    static constexpr std::array<DWORD, 3> kPermissions{
        netapi::PERM_FILE_READ, netapi::PERM_FILE_READ | netapi::PERM_FILE_WRITE,
        netapi::PERM_FILE_READ | netapi::PERM_FILE_WRITE | netapi::PERM_FILE_CREATE};
    const DWORD permissions = kPermissions[NextRandom() % kPermissions.size()];
    const DWORD locks = NextRandom() % 4 == 0 ? 1 : 0;
    while (mFileById.count(mNextFileId) != 0) ++mNextFileId;
    const std::size_t share = ShareOfPath(path);
    AddFile({mNextFileId++, permissions, locks, path, s.value.user, s.key, share});
    s.value.idle = 0;
    if (share != kNoShare) EnsureConnection(s.key, share, 0);
}

}  // namespace sim
