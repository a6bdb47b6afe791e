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
#include <cstring>
#include <map>
#include <random>
#include <set>

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
constexpr auto kGetTimeout = std::chrono::milliseconds(1000);

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

std::string Decode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        const std::size_t end = s.find(';', i);
        if (end == std::string_view::npos || end - i > 8) {
            out += '&';
            continue;
        }
        const std::string_view entity = s.substr(i + 1, end - i - 1);
        if (entity == "amp") out += '&';
        else if (entity == "lt") out += '<';
        else if (entity == "gt") out += '>';
        else if (entity == "quot") out += '"';
        else if (entity == "apos") out += '\'';
        else out += '?';  // numeric references are not needed for names
        i = end;
    }
    return out;
}

std::string Trim(std::string s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// The inner text of every element with this local name, in order. Elements
// of the same name are not expected to nest in these messages.
std::vector<std::string_view> Elements(std::string_view xml, std::string_view localName) {
    std::vector<std::string_view> found;
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string_view::npos) {
        const std::size_t nameEnd = xml.find_first_of(" \t\r\n/>", at + 1);
        if (nameEnd == std::string_view::npos) break;
        std::string_view name = xml.substr(at + 1, nameEnd - at - 1);
        if (const auto colon = name.find(':'); colon != std::string_view::npos)
            name.remove_prefix(colon + 1);
        const std::size_t tagEnd = xml.find('>', nameEnd);
        if (tagEnd == std::string_view::npos) break;
        if (name != localName || xml[at + 1] == '/' || xml[tagEnd - 1] == '/') {
            at = tagEnd;
            continue;
        }
        // The closing tag: "</" prefix? localName ">".
        std::size_t search = tagEnd + 1;
        std::size_t close = std::string_view::npos;
        while ((search = xml.find("</", search)) != std::string_view::npos) {
            const std::size_t end = xml.find('>', search);
            if (end == std::string_view::npos) break;
            std::string_view closing = xml.substr(search + 2, end - search - 2);
            if (const auto colon = closing.find(':'); colon != std::string_view::npos)
                closing.remove_prefix(colon + 1);
            if (closing == localName) {
                close = search;
                break;
            }
            search = end;
        }
        if (close == std::string_view::npos) break;
        found.push_back(xml.substr(tagEnd + 1, close - tagEnd - 1));
        at = close + 2;
    }
    return found;
}

std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < s.size()) {
        const std::size_t start = s.find_first_not_of(" \t\r\n", at);
        if (start == std::string::npos) break;
        std::size_t end = s.find_first_of(" \t\r\n", start);
        if (end == std::string::npos) end = s.size();
        words.push_back(s.substr(start, end - start));
        at = end;
    }
    return words;
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
    explicit Socket(int fd) : mFd(fd) {}
    ~Socket() {
        if (mFd >= 0) close(mFd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return mFd; }

private:
    int mFd;
};

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

// "http://host:port/path" split; false for anything else.
bool SplitUrl(const std::string& url, std::string& host, std::string& port, std::string& path) {
    const std::string scheme = "http://";
    if (url.rfind(scheme, 0) != 0) return false;
    const std::size_t slash = url.find('/', scheme.size());
    const std::string authority = url.substr(scheme.size(), slash - scheme.size());
    path = slash == std::string::npos ? "/" : url.substr(slash);
    port = "80";
    if (!authority.empty() && authority[0] == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) return false;
        host = authority.substr(1, close - 1);
        if (close + 1 < authority.size() && authority[close + 1] == ':')
            port = authority.substr(close + 2);
    } else {
        const std::size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        if (colon != std::string::npos) port = authority.substr(colon + 1);
    }
    return !host.empty() && path.find_first_of("\r\n ") == std::string::npos &&
           host.find_first_of("\r\n /") == std::string::npos;
}

bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, events, 0};
    return poll(&p, 1, static_cast<int>(left.count())) == 1 && (p.revents & events);
}

// One HTTP POST of a SOAP message, bounded in time and size; the body of
// the reply, or nothing.
std::string Post(const std::string& url, const std::string& body, const std::string& scope) {
    std::string host, port, path;
    if (!SplitUrl(url, host, port, path)) return {};
    // A link-local IPv6 address needs the interface it was seen on.
    std::string target = host;
    if (host.rfind("fe80", 0) == 0 && host.find('%') == std::string::npos && !scope.empty())
        target += "%" + scope;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(target.c_str(), port.c_str(), &hints, &found) != 0) return {};
    const auto deadline = std::chrono::steady_clock::now() + kGetTimeout;
    Socket s(socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const int connected = s.fd() < 0 ? -1 : connect(s.fd(), found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    if (s.fd() < 0 || (connected != 0 && errno != EINPROGRESS)) return {};
    if (!WaitFor(s.fd(), POLLOUT, deadline)) return {};
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return {};

    const std::string hostHeader = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    const std::string request = "POST " + path + " HTTP/1.1\r\nHost: " + hostHeader + ":" + port +
                                "\r\nContent-Type: application/soap+xml\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
                                body;
    std::size_t sent = 0;
    while (sent < request.size()) {
        if (!WaitFor(s.fd(), POLLOUT, deadline)) return {};
        const ssize_t n = send(s.fd(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return {};
        sent += static_cast<std::size_t>(n);
    }
    std::string reply;
    char buffer[4096];
    while (reply.size() <= kMaxMessageBytes && WaitFor(s.fd(), POLLIN, deadline)) {
        const ssize_t n = recv(s.fd(), buffer, sizeof buffer, 0);
        if (n <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    if (reply.rfind("HTTP/1.", 0) != 0 || reply.size() < 12 || reply.compare(9, 3, "200") != 0)
        return {};
    const std::size_t bodyStart = reply.find("\r\n\r\n");
    return bodyStart == std::string::npos ? std::string() : reply.substr(bodyStart + 4);
}

}  // namespace

std::string ElementText(std::string_view xml, std::string_view localName) {
    const auto all = Elements(xml, localName);
    return all.empty() ? std::string() : Trim(Decode(all.front()));
}

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

std::vector<Match> ParseMatches(std::string_view xml) {
    std::vector<Match> matches;
    if (xml.size() > kMaxMessageBytes) return matches;
    const std::string_view body = [&] {
        const auto bodies = Elements(xml, "Body");
        return bodies.empty() ? std::string_view() : bodies.front();
    }();
    for (const char* kind : {"ProbeMatch", "ResolveMatch", "Hello"}) {
        for (const std::string_view m : Elements(body, kind)) {
            Match match;
            match.endpoint = ElementText(ElementText(m, "EndpointReference"), "Address");
            if (match.endpoint.empty() || match.endpoint.size() > 256) continue;
            for (const std::string& type : Words(ElementText(m, "Types")))
                match.isComputer = match.isComputer || type == "pub:Computer" ||
                                   (type.size() >= 9 && type.compare(type.size() - 9, 9, ":Computer") == 0);
            for (std::string& url : Words(ElementText(m, "XAddrs")))
                if (url.size() <= 512 && match.xaddrs.size() < 8) match.xaddrs.push_back(std::move(url));
            matches.push_back(std::move(match));
            if (matches.size() >= kMaxEndpoints) return matches;
        }
    }
    return matches;
}

bool ParseComputer(std::string_view xml, std::string& name, std::string& group) {
    if (xml.size() > kMaxMessageBytes) return false;
    const std::string value = ElementText(xml, "Computer");
    if (value.empty()) return false;
    const std::size_t slash = value.find('/');
    name = value.substr(0, slash);
    group.clear();
    if (slash != std::string::npos) {
        const std::size_t colon = value.find(':', slash);
        if (colon != std::string::npos) group = value.substr(colon + 1);
    }
    return !name.empty();
}

std::vector<FoundComputer> DiscoverWsd(std::chrono::milliseconds window) {
    std::vector<FoundComputer> found;
    Socket v4(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    Socket v6(socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (v4.fd() < 0 && v6.fd() < 0) return found;
    const int hops = 1;
    if (v4.fd() >= 0) setsockopt(v4.fd(), IPPROTO_IP, IP_MULTICAST_TTL, &hops, sizeof hops);
    if (v6.fd() >= 0) setsockopt(v6.fd(), IPPROTO_IPV6, IPV6_MULTICAST_HOPS, &hops, sizeof hops);
    SendToGroups(v4, v6, ProbeMessage(NewId()));

    struct Seen {
        std::string from;   // the address the answer came from
        std::string scope;  // its interface, for link-local IPv6
        std::vector<std::string> xaddrs;
        bool resolveSent = false;
    };
    std::map<std::string, Seen> endpoints;
    const auto deadline = std::chrono::steady_clock::now() + window;
    std::vector<char> buffer(kMaxMessageBytes);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p[2] = {{v4.fd(), POLLIN, 0}, {v6.fd(), POLLIN, 0}};
        if (poll(p, 2, static_cast<int>(left.count())) <= 0) break;
        for (const pollfd& ready : p) {
            if (ready.fd < 0 || !(ready.revents & POLLIN)) continue;
            sockaddr_storage from{};
            socklen_t length = sizeof from;
            const ssize_t n = recvfrom(ready.fd, buffer.data(), buffer.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &length);
            if (n <= 0) continue;
            for (Match& match : ParseMatches(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) {
                if (!match.isComputer && match.xaddrs.empty() && endpoints.count(match.endpoint) == 0 &&
                    endpoints.size() >= kMaxEndpoints)
                    continue;
                Seen& seen = endpoints[match.endpoint];
                seen.from = AddressText(from);
                if (from.ss_family == AF_INET6) {
                    char name[IF_NAMESIZE] = {};
                    const auto scope = reinterpret_cast<const sockaddr_in6&>(from).sin6_scope_id;
                    if (scope != 0 && if_indextoname(scope, name) != nullptr) seen.scope = name;
                }
                if (!match.xaddrs.empty()) seen.xaddrs = std::move(match.xaddrs);
                // No transport address yet: ask for it within the same window.
                if (seen.xaddrs.empty() && !seen.resolveSent) {
                    seen.resolveSent = true;
                    SendToGroups(v4, v6, ResolveMessage(NewId(), match.endpoint));
                }
            }
        }
    }

    for (const auto& [endpoint, seen] : endpoints) {
        FoundComputer computer;
        computer.address = seen.from;
        for (const std::string& url : seen.xaddrs) {
            std::string name, group;
            if (ParseComputer(Post(url, GetMessage(NewId(), endpoint), seen.scope), name, group)) {
                computer.name = name;
                computer.group = group;
                break;
            }
        }
        if (!IsPlainHostName(computer.name)) computer.name.clear();
        if (!IsPlainHostName(computer.group)) computer.group.clear();
        if (computer.address.empty()) continue;
        Merge(found, computer);
    }
    return found;
}

}  // namespace discovery
