#pragma once
// The SMB client library keeps process-wide state that is not safe to use
// from two threads at once; every use takes this lock, bounded by the current
// call's deadline (false: the time ran out first).
namespace smb {

class SmbLibraryLock final {
public:
    SmbLibraryLock();
    ~SmbLibraryLock();
    SmbLibraryLock(const SmbLibraryLock&) = delete;
    SmbLibraryLock& operator=(const SmbLibraryLock&) = delete;
    bool Held() const { return mHeld; }

private:
    bool mHeld;
};

}  // namespace smb
