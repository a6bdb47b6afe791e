#pragma once
// A scripted SMB server that answers srvsvc, samr and the terminal server's
// session interface from a simulated network's data, the way Samba or the
// protocol documents' Windows do where the two differ:
//
//   Windows: client names with "\\"; 5 for session levels 502 and 1 and share
//   level 2 to a caller who is no administrator; 2314 for a file id that is
//   gone; time zone -1; file lists in small pages under resume handles; its
//   own RPC pipes listed among the open files; message-mode pipe reads;
//   terminal services for desktop messages; SamrConnect* refused on a member
//   server that keeps its account database to its administrators.
//   Samba: bare client names; 124 for session levels 502 and 10; 2 for a file
//   id that is gone; everything in one reply; no terminal services.
//
// The account changes both make follow MS-SAMR: a written lockout bit
// unlocks the account, the expired-password bit is the server's own.
#include "SmbTestServer.h"
#include "sim/SimulatedNetwork.h"

namespace smbtest {

enum class Personality { Samba, Windows };
std::string Name(Personality personality);

struct DesktopSession {
    netapi::DWORD id = 0;
    std::u16string station;
    std::u16string domain;
    std::u16string user;
    netapi::DWORD state = 0;  // 0 active, 4 disconnected
};

struct DeliveredMessage {
    netapi::DWORD session = 0;
    std::u16string title;
    std::u16string text;
    bool waited = false;  // the caller asked to wait for a click
};

class PersonalityServer final {
public:
    PersonalityServer(Personality personality, std::shared_ptr<sim::SimulatedNetwork> data);
    PersonalityServer(const PersonalityServer&) = delete;
    PersonalityServer& operator=(const PersonalityServer&) = delete;

    // The opener to give an SmbProvider; it lives as long as this server.
    const std::shared_ptr<ScriptedServers>& Opener() const { return mOpener; }

    // Windows only: levels 502, 1 and 2 are the administrators'.
    bool callerIsAdmin = true;
    // Windows only: a member server that keeps remote access to its account
    // database to its administrators, which the caller is not.
    bool remoteSamRestricted = false;
    // A server older than SamrConnect5 (the operation is out of range).
    bool hasConnect5 = true;
    // Windows: whom the file list names as the holder of our srvsvc pipes
    // (empty: the account the client logged on as).
    std::u16string pipeOwner;
    // Windows: the terminal server's sessions.
    std::vector<DesktopSession> desktops;

    std::vector<DeliveredMessage> delivered;
    std::vector<std::uint32_t> controlWrites;  // account-control bits written (level 16)
    std::vector<std::string> calls;            // "srvsvc 12 10", "samr 64", ...
    // Windows: srvsvc pipes of ours the server closed on a client's NetFileClose.
    int pipesClosedByClient = 0;

private:
    Reply Srvsvc(const std::u16string& host, const Request& r);
    Reply Samr(const std::u16string& host, const Request& r);
    Reply WinStation(const Request& r);
    // How Windows lists one of our srvsvc pipes.
    netapi::FileInfo3 OwnPipe(netapi::DWORD id) const;

    Personality mPersonality;
    std::shared_ptr<sim::SimulatedNetwork> mData;
    std::shared_ptr<ScriptedServers> mOpener;
    // Live srvsvc pipes, by the id the Windows file list shows them under.
    std::map<netapi::DWORD, ScriptedPipe*> mSrvsvcPipes;
    netapi::DWORD mNextPipeId = 0x7001;
    std::map<std::u16string, std::uint32_t> mRids;  // lower-case user -> rid
};

// For a test's lifetime: the network calls go through Vantor's SMB provider to a server of
// `personality` that holds `scenario`'s data (its computers are the hosts).
class PersonalityNetwork final {
public:
    PersonalityNetwork(Personality personality, sim::Scenario scenario);
    ~PersonalityNetwork();

    PersonalityServer& server() { return *mServer; }
    sim::SimulatedNetwork& data() { return *mData; }

private:
    std::shared_ptr<sim::SimulatedNetwork> mData;
    std::unique_ptr<PersonalityServer> mServer;
};

}  // namespace smbtest
