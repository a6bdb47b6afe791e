// The scripted server's Windows personality served over TCP (DCE/RPC as on
// ncacn_ip_tcp, one connection per pipe) and Vantor's SMB provider calling
// it there, so that a packet dissector can read what Vantor sends and gets:
// the calls the Windows rules add (session level 10, share level 1,
// SamrConnect5, the account-control write, the terminal-services message).
//
//     rpc_over_tcp PORT      (then: tshark -d tcp.port==PORT,dcerpc ...)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

#include "ServerPersonality.h"
#include "netenum/MessageTarget.h"
#include "netenum/NetCalls.h"
#include "netenum/colFileEnum.h"
#include "netenum/colSessionEnum.h"
#include "netenum/colShareEnum.h"
#include "netenum/netapi.h"
#include "sim/ScenarioLoader.h"
#include "smb/DceRpcPdu.h"
#include "smb/SmbProvider.h"

namespace {

constexpr const char* kServer = R"({ "computers": [
  { "name": "ADMINPC", "local": true },
  { "name": "SERVER1",
    "shares": [ { "name": "DATA", "path": "D:\\Data", "remark": "Data" } ],
    "sessions": [ { "client": "10.0.0.5", "user": "alice", "time": 61 } ],
    "files": [ { "id": 7, "path": "D:\\Data\\a.xls", "user": "alice" } ],
    "accounts": [ { "name": "alice", "flags": ["normal_account", "lockout"] } ] } ] })";

bool SendAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReceiveAll(int fd, std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = recv(fd, data, size, 0);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// One PDU from the stream: its header says how long it is.
bool ReceivePdu(int fd, std::vector<std::uint8_t>& pdu) {
    pdu.assign(16, 0);
    if (!ReceiveAll(fd, pdu.data(), 16)) return false;
    const std::size_t length = pdu[8] | pdu[9] << 8;
    if (length < 16) return false;
    pdu.resize(length);
    return ReceiveAll(fd, pdu.data() + 16, length - 16);
}

class TcpPipe final : public smb::BytePipe {
public:
    explicit TcpPipe(int fd) : mFd(fd) {}
    ~TcpPipe() override { close(mFd); }
    netapi::NET_API_STATUS Write(std::span<const std::uint8_t> data) override {
        return SendAll(mFd, data.data(), data.size()) ? 0 : netapi::ERROR_NETNAME_DELETED;
    }
    netapi::NET_API_STATUS ReadExact(std::span<std::uint8_t> out) override {
        return ReceiveAll(mFd, out.data(), out.size()) ? 0 : netapi::ERROR_NETNAME_DELETED;
    }

private:
    int mFd;
};

// Every pipe is a TCP connection to the port.
class TcpOpener final : public smb::PipeOpener {
public:
    explicit TcpOpener(int port) : mPort(port) {}
    netapi::NET_API_STATUS Open(const std::string&, const std::string&,
                                std::unique_ptr<smb::BytePipe>& out) override {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(mPort));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            if (fd >= 0) close(fd);
            return netapi::ERROR_BAD_NETPATH;
        }
        out = std::make_unique<TcpPipe>(fd);
        return 0;
    }
    std::vector<std::u16string> AccountNames(const std::string&) const override { return {u"admin"}; }

private:
    int mPort;
};

// Which pipe a bind asks for, by its interface.
std::string PipeFor(const std::vector<std::uint8_t>& bind) {
    static const std::map<std::string, std::string> pipes = {
        {"4b324fc8-1670-01d3-1278-5a47bf6ee188", "srvsvc"},
        {"12345778-1234-abcd-ef00-0123456789ac", "samr"},
        {"5ca4a760-ebb1-11cf-8611-00a0245420ed", "Ctx_WinStation_API_service"}};
    for (const auto& [uuid, pipe] : pipes) {
        const auto syntax = smb::dcerpc::MakeSyntax(uuid.c_str(), 0, 0);
        if (bind.size() >= 48 && std::memcmp(bind.data() + 32, syntax.uuid.data(), 16) == 0)
            return pipe;
    }
    return "unknown";
}

// One client connection: the scripted pipe of the interface it binds to,
// its answers sent back a message at a time.
void Serve(int fd, smbtest::ScriptedServers& servers) {
    std::vector<std::uint8_t> pdu;
    std::unique_ptr<smb::BytePipe> pipe;
    while (ReceivePdu(fd, pdu)) {
        if (!pipe && servers.Open("SERVER1", PipeFor(pdu), pipe) != 0) break;
        if (pipe->Write(pdu) != 0) break;
        std::vector<std::uint8_t> message(65536);
        std::size_t got = 0;
        bool more = false;
        while (pipe->ReadMessage(message, got, more) == 0 && got > 0)
            if (!SendAll(fd, message.data(), got)) break;
    }
    close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: rpc_over_tcp PORT\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    smbtest::PersonalityServer server(smbtest::Personality::Windows,
                                      sim::LoadScenario(kServer, "server"));
    server.callerIsAdmin = false;
    server.desktops = {{2, u"RDP-Tcp#0", u"OFFICE", u"alice", 0}};

    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<std::uint16_t>(port));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(listener, 8) != 0) {
        std::perror("rpc_over_tcp: listen");
        return 1;
    }
    std::thread acceptor([&] {
        for (int fd; (fd = accept(listener, nullptr, nullptr)) >= 0;)
            std::thread(Serve, fd, std::ref(*server.Opener())).detach();
    });
    acceptor.detach();

    netapi::SetProvider(std::make_shared<smb::SmbProvider>(std::make_shared<TcpOpener>(port)));
    struct Sink final : netenum::MessageSink {
        void AppendLine(const std::u16string& line) override { lines += line; }
        std::u16string lines;
    } sink;
    netenum::SetCurrentForm(&sink);
    netenum::colSessionEnum sessions;
    sessions.Init(u"SERVER1");
    netenum::colShareEnum shares;
    shares.Init(u"SERVER1");
    netenum::colFileEnum files;
    files.Init(u"SERVER1");
    const auto disabled = netenum::SetAccountDisabled(u"\\\\SERVER1", u"alice", true);
    const auto message = netenum::SendDesktopMessage(u"SERVER1", u"alice", u"Back up by noon");
    netapi::SetProvider(nullptr);
    netenum::SetCurrentForm(nullptr);

    std::printf("sessions %zu, shares %zu, files %zu, account change %d, message %u to %zu "
                "session(s), failure lines %zu\n",
                sessions.Count(), shares.Count(), files.Count(), static_cast<int>(disabled),
                message.status, message.sessions.size(), sink.lines.size());
    const bool ok = sessions.Count() == 1 && shares.Count() == 1 && files.Count() == 2 &&
                    disabled == netenum::AccountChange::Changed && message.status == 0 &&
                    server.delivered.size() == 1 && sink.lines.empty();
    return ok ? 0 : 1;
}
