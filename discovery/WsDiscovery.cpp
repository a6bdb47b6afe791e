#include "WsDiscovery.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <set>
#include <utility>

#include "WsdListing.h"

namespace discovery {
namespace {

constexpr const char* kEnvelopeStart =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\" "
    "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
    "xmlns:wsd=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
    "xmlns:wsdp=\"http://schemas.xmlsoap.org/ws/2006/02/devprof\" "
    "xmlns:pub=\"http://schemas.microsoft.com/windows/pub/2005/07\">";
constexpr int kPort = 3702;
// Metadata requests open at the same moment; the rest wait for a slot.
constexpr std::size_t kFetchesInFlight = 64;
// A reply is read up to its body's limit plus a head.
constexpr std::size_t kMaxReplyBytes = kMaxMessageBytes + 8192;

std::string Escape(const std::string& s) {
    std::string out;
    for (const char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Header(const std::string& to, const std::string& action, const std::string& id) {
    return "<soap:Header><wsa:To>" + Escape(to) + "</wsa:To><wsa:Action>" + action +
           "</wsa:Action><wsa:MessageID>" + Escape(id) + "</wsa:MessageID>";
}

std::string NewId() {
    std::random_device random;
    std::uniform_int_distribution<unsigned> hex(0, 15);
    std::string id = "urn:uuid:";
    for (int i = 0; i < 32; ++i) {
        if (i == 8 || i == 12 || i == 16 || i == 20) id += '-';
        id += "0123456789abcdef"[i == 12 ? 4 : hex(random)];
    }
    return id;
}

std::string AddressText(const sockaddr_storage& from) {
    char text[INET6_ADDRSTRLEN] = {};
    if (from.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(from).sin_addr, text, sizeof text);
    else if (from.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(from).sin6_addr, text,
                  sizeof text);
    return text;
}

class Socket {
public:
    explicit Socket(int fd = -1) : mFd(fd) {}
    ~Socket() { Reset(); }
    Socket(Socket&& other) noexcept : mFd(std::exchange(other.mFd, -1)) {}
    Socket& operator=(Socket&& other) noexcept {
        if (this != &other) {
            Reset();
            mFd = std::exchange(other.mFd, -1);
        }
        return *this;
    }
    int fd() const { return mFd; }
    void Reset() {
        if (mFd >= 0) close(mFd);
        mFd = -1;
    }

private:
    int mFd;
};

// This machine's addresses, to be told apart from its neighbours'.
std::vector<std::string> OwnAddresses() {
    std::vector<std::string> own;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return own;
    for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr) continue;
        sockaddr_storage address{};
        if (i->ifa_addr->sa_family == AF_INET)
            std::memcpy(&address, i->ifa_addr, sizeof(sockaddr_in));
        else if (i->ifa_addr->sa_family == AF_INET6)
            std::memcpy(&address, i->ifa_addr, sizeof(sockaddr_in6));
        else
            continue;
        own.push_back(AddressText(address));
    }
    freeifaddrs(list);
    return own;
}

// Sends `message` to the WS-Discovery group on every multicast interface.
void SendToGroups(const Socket& v4, const Socket& v6, const std::string& message) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return;
    std::set<unsigned> v6Done;
    for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || !(i->ifa_flags & IFF_UP) || !(i->ifa_flags & IFF_MULTICAST) ||
            (i->ifa_flags & IFF_LOOPBACK))
            continue;
        if (i->ifa_addr->sa_family == AF_INET && v4.fd() >= 0) {
            const in_addr local = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr;
            setsockopt(v4.fd(), IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local);
            sockaddr_in group{};
            group.sin_family = AF_INET;
            group.sin_port = htons(kPort);
            inet_pton(AF_INET, "239.255.255.250", &group.sin_addr);
            sendto(v4.fd(), message.data(), message.size(), 0,
                   reinterpret_cast<const sockaddr*>(&group), sizeof group);
        } else if (i->ifa_addr->sa_family == AF_INET6 && v6.fd() >= 0) {
            const unsigned index = if_nametoindex(i->ifa_name);
            if (index == 0 || !v6Done.insert(index).second) continue;
            setsockopt(v6.fd(), IPPROTO_IPV6, IPV6_MULTICAST_IF, &index, sizeof index);
            sockaddr_in6 group{};
            group.sin6_family = AF_INET6;
            group.sin6_port = htons(kPort);
            group.sin6_scope_id = index;
            inet_pton(AF_INET6, "ff02::c", &group.sin6_addr);
            sendto(v6.fd(), message.data(), message.size(), 0,
                   reinterpret_cast<const sockaddr*>(&group), sizeof group);
        }
    }
    freeifaddrs(list);
}

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 100));  // short slices: `stop` is looked at
}

// One metadata request on its way: connect, send, read until the reply is whole.
struct Fetch {
    Socket socket;
    std::string request;
    std::size_t sent = 0;
    bool connected = false;
    std::string reply;
    bool done = false;
};

// A non-blocking connection to the request's numeric address; an empty socket on failure.
Socket Connect(const WsdListing::Request& r) {
    std::string target = r.url.host;
    if (target.starts_with("fe80") && target.find('%') == std::string::npos && !r.scope.empty())
        target += "%" + r.scope;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(target.c_str(), r.url.port.c_str(), &hints, &found) != 0 || found == nullptr)
        return Socket();
    Socket s(socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const int connected = s.fd() < 0 ? -1 : connect(s.fd(), found->ai_addr, found->ai_addrlen);
    const int error = errno;
    freeaddrinfo(found);
    if (s.fd() < 0 || (connected != 0 && error != EINPROGRESS)) return Socket();
    return s;
}

std::string PostRequest(const WsdListing::Request& r) {
    const std::string body = GetMessage(NewId(), r.endpoint);
    const std::string host = r.url.host.find(':') != std::string::npos ? "[" + r.url.host + "]" : r.url.host;
    return "POST " + r.url.path + " HTTP/1.1\r\nHost: " + host + ":" + r.url.port +
           "\r\nContent-Type: application/soap+xml\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// Every request at once (up to kFetchesInFlight), all under one deadline;
// each reply goes to the listing as it completes, or as it stands at the end.
void FetchAll(WsdListing& listing, std::chrono::steady_clock::time_point deadline,
              const std::function<bool()>& stop) {
    const std::vector<WsdListing::Request> requests = listing.Requests();
    std::vector<Fetch> fetches(requests.size());
    std::vector<std::size_t> active;
    std::size_t next = 0;
    auto finish = [&](std::size_t i) {
        fetches[i].done = true;
        fetches[i].socket.Reset();
        listing.Answer(requests[i], fetches[i].reply);
        fetches[i].reply.clear();
    };
    while ((next < requests.size() || !active.empty()) &&
           std::chrono::steady_clock::now() < deadline && !(stop && stop())) {
        while (next < requests.size() && active.size() < kFetchesInFlight) {
            const std::size_t i = next++;
            fetches[i].socket = Connect(requests[i]);
            if (fetches[i].socket.fd() < 0) {
                fetches[i].done = true;
                continue;
            }
            fetches[i].request = PostRequest(requests[i]);
            active.push_back(i);
        }
        if (active.empty()) continue;
        std::vector<pollfd> fds;
        for (const std::size_t i : active) {
            const Fetch& f = fetches[i];
            fds.push_back({f.socket.fd(),
                           static_cast<short>(f.connected && f.sent == f.request.size() ? POLLIN : POLLOUT), 0});
        }
        if (poll(fds.data(), fds.size(), MillisecondsLeft(deadline)) < 0 && errno != EINTR) break;
        for (std::size_t k = 0; k < fds.size(); ++k) {
            const std::size_t i = active[k];
            Fetch& f = fetches[i];
            const short got = fds[k].revents;
            if (got == 0) continue;
            if (!f.connected) {
                int error = 0;
                socklen_t length = sizeof error;
                if (getsockopt(f.socket.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
                    finish(i);
                    continue;
                }
                f.connected = true;
            }
            if ((got & POLLOUT) && f.sent < f.request.size()) {
                const ssize_t n = send(f.socket.fd(), f.request.data() + f.sent,
                                       f.request.size() - f.sent, MSG_NOSIGNAL);
                if (n > 0) f.sent += static_cast<std::size_t>(n);
                else if (errno != EAGAIN && errno != EINTR) finish(i);
                continue;
            }
            if (got & (POLLIN | POLLHUP | POLLERR)) {
                char buffer[4096];
                const ssize_t n = recv(f.socket.fd(), buffer, sizeof buffer, 0);
                if (n > 0) f.reply.append(buffer, static_cast<std::size_t>(n));
                if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR) ||
                    f.reply.size() > kMaxReplyBytes || HttpComplete(f.reply))
                    finish(i);
            }
        }
        std::erase_if(active, [&](std::size_t i) { return fetches[i].done; });
    }
    // Whatever came before the deadline is read as it is; a reply cut short gives nothing.
    for (const std::size_t i : active)
        if (!fetches[i].done) finish(i);
}

}  // namespace

std::string ProbeMessage(const std::string& messageId) {
    return std::string(kEnvelopeStart) +
           Header("urn:schemas-xmlsoap-org:ws:2005:04:discovery",
                  "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe", messageId) +
           "</soap:Header><soap:Body><wsd:Probe><wsd:Types>wsdp:Device</wsd:Types></wsd:Probe>"
           "</soap:Body></soap:Envelope>";
}

std::string ResolveMessage(const std::string& messageId, const std::string& endpoint) {
    return std::string(kEnvelopeStart) +
           Header("urn:schemas-xmlsoap-org:ws:2005:04:discovery",
                  "http://schemas.xmlsoap.org/ws/2005/04/discovery/Resolve", messageId) +
           "</soap:Header><soap:Body><wsd:Resolve><wsa:EndpointReference><wsa:Address>" +
           Escape(endpoint) +
           "</wsa:Address></wsa:EndpointReference></wsd:Resolve></soap:Body></soap:Envelope>";
}

std::string GetMessage(const std::string& messageId, const std::string& endpoint) {
    return std::string(kEnvelopeStart) +
           Header(endpoint, "http://schemas.xmlsoap.org/ws/2004/09/transfer/Get", messageId) +
           "<wsa:ReplyTo><wsa:Address>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/"
           "anonymous</wsa:Address></wsa:ReplyTo></soap:Header><soap:Body/></soap:Envelope>";
}

std::vector<FoundComputer> DiscoverWsd(std::chrono::milliseconds window,
                                       std::chrono::milliseconds metadataWindow,
                                       const std::function<bool()>& stop) {
    Socket v4(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    Socket v6(socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (v4.fd() < 0 && v6.fd() < 0) return {};
    const int hops = 1;
    if (v4.fd() >= 0) setsockopt(v4.fd(), IPPROTO_IP, IP_MULTICAST_TTL, &hops, sizeof hops);
    if (v6.fd() >= 0) setsockopt(v6.fd(), IPPROTO_IPV6, IPV6_MULTICAST_HOPS, &hops, sizeof hops);
    // Room for a burst of answers (the system caps it): a host flooding the
    // Probe should not push the others' answers out of a small buffer.
    const int room = 1 << 20;
    for (const Socket* s : {&v4, &v6})
        if (s->fd() >= 0) setsockopt(s->fd(), SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
    const std::string probeId = NewId();
    WsdListing listing(probeId, OwnAddresses());
    SendToGroups(v4, v6, ProbeMessage(probeId));

    const auto deadline = std::chrono::steady_clock::now() + window;
    std::vector<char> buffer(kMaxMessageBytes);
    while (std::chrono::steady_clock::now() < deadline && !(stop && stop())) {
        pollfd p[2] = {{v4.fd(), POLLIN, 0}, {v6.fd(), POLLIN, 0}};
        if (poll(p, 2, MillisecondsLeft(deadline)) < 0 && errno != EINTR) break;
        for (const pollfd& ready : p) {
            if (ready.fd < 0 || !(ready.revents & POLLIN)) continue;
            sockaddr_storage from{};
            socklen_t length = sizeof from;
            const ssize_t n = recvfrom(ready.fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr*>(&from), &length);
            if (n <= 0) continue;
            std::string scope;
            if (from.ss_family == AF_INET6) {
                char name[IF_NAMESIZE] = {};
                const auto index = reinterpret_cast<const sockaddr_in6&>(from).sin6_scope_id;
                if (index != 0 && if_indextoname(index, name) != nullptr) scope = name;
            }
            // No transport address yet: asked for within the same window.
            for (const std::string& endpoint :
                 listing.Add(std::string_view(buffer.data(), static_cast<std::size_t>(n)),
                             AddressText(from), scope)) {
                const std::string id = NewId();
                listing.Resolving(id);
                SendToGroups(v4, v6, ResolveMessage(id, endpoint));
            }
        }
    }
    FetchAll(listing, std::chrono::steady_clock::now() + metadataWindow, stop);
    return listing.Found();
}

}  // namespace discovery
