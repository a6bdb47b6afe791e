#pragma once
// One libsmbclient context for one server: its logon, its timeout and the
// SMB connection it keeps open between calls.
#include <atomic>
#include <memory>
#include <set>
#include <string>

#include "SmbCredentials.h"
#include "netenum/netapi.h"

struct _SMBCCTX;
struct _SMBCFILE;

namespace smb {

// The SMB client library keeps process-wide state that is not safe to use
// from two threads at once; every use takes this lock, bounded by the current
// call's deadline (false: the time ran out first).
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

class SmbConnection final : public std::enable_shared_from_this<SmbConnection> {
public:
    // How long one step of the SMB client library (connecting, one request)
    // may take at most; the call's deadline usually ends it sooner.
    static constexpr int kTimeoutMs = 10000;

    SmbConnection(std::string host, const SmbCredentials& credentials);
    ~SmbConnection();
    SmbConnection(const SmbConnection&) = delete;
    SmbConnection& operator=(const SmbConnection&) = delete;

    // Opens \PIPE\<pipe> through the server's IPC$ share.
    netapi::NET_API_STATUS OpenPipe(const std::string& pipe, _SMBCFILE*& file);
    _SMBCCTX* Context() const { return mContext; }

    // A request on the connection went unanswered: the connection holds an
    // unknown remainder and is never used again. Its socket is cut at once,
    // so that closing the pipe and the context does not wait on the server
    // once more for each goodbye.
    void Poison();
    bool Poisoned() const { return mPoisoned.load(); }

private:
    // Remembers the socket an open made, given the sockets there were before.
    void NoteSocket(const std::set<int>& before);
    static void Authenticate(_SMBCCTX* context, const char* server, const char* share,
                             char* workgroup, int workgroupLength, char* user, int userLength,
                             char* password, int passwordLength);

    std::string mHost;
    SmbCredentials mCredentials;
    _SMBCCTX* mContext = nullptr;
    std::atomic<bool> mPoisoned{false};
    // The TCP connection the library made for this context (it does not
    // say), known by both its ends so that a descriptor reused for anything
    // else is never touched.
    struct Socket {
        int fd = -1;
        std::string local, peer;
    };
    Socket mSocket;
};

}  // namespace smb
