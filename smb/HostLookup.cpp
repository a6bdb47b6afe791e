#include "HostLookup.h"

#include <netdb.h>
#include <sys/socket.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace smb {
namespace {

// How many names are looked up at the same moment.
constexpr std::size_t kLookupsAtOnce = 8;

// One name through the system's resolver (numeric only when `numeric`).
Resolution Lookup(const std::string& host, unsigned short port, bool numeric) {
    Resolution out;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | (numeric ? AI_NUMERICHOST : 0);
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    std::string name = host;
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    const int error = getaddrinfo(name.c_str(), service.c_str(), &hints, &found);
    if (error != 0 || found == nullptr) {
        // Only a definite "no such name" is one; a resolver that failed is
        // not an answer about the name.
        out.status = error == EAI_NONAME || error == EAI_NODATA ? netapi::WSAHOST_NOT_FOUND
                                                                 : netapi::ERROR_BAD_NETPATH;
        if (found != nullptr) freeaddrinfo(found);
        return out;
    }
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(a->ai_addr);
        out.addresses.push_back(
            {a->ai_family, a->ai_socktype, a->ai_protocol, {bytes, bytes + a->ai_addrlen}});
    }
    freeaddrinfo(found);
    out.status = netapi::NERR_Success;
    return out;
}

bool IsAddress(const std::string& host) {
    std::string literal = host;
    if (literal.size() > 2 && literal.front() == '[' && literal.back() == ']')
        literal = literal.substr(1, literal.size() - 2);
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, literal.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, literal.c_str(), buffer) == 1;
}

}  // namespace

std::vector<Resolution> ResolveHosts(const std::vector<std::string>& hosts, unsigned short port) {
    // The lookups run on threads of their own that may outlive this call (a
    // resolver cannot be interrupted): they own what they touch.
    struct Shared {
        std::mutex lock;
        std::condition_variable changed;
        std::vector<std::string> names;
        std::vector<std::size_t> queue;  // indexes into names still to look up
        std::size_t next = 0;
        std::vector<std::optional<Resolution>> results;
        std::size_t left = 0;
        bool stop = false;
    };
    auto shared = std::make_shared<Shared>();
    shared->names = hosts;
    shared->results.resize(hosts.size());
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        if (IsAddress(hosts[i]))
            shared->results[i] = Lookup(hosts[i], port, true);
        else
            shared->queue.push_back(i);
    }
    shared->left = shared->queue.size();
    const std::size_t threads = std::min(kLookupsAtOnce, shared->queue.size());
    for (std::size_t t = 0; t < threads; ++t) {
        std::thread([shared, port] {
            for (;;) {
                std::string name;
                std::size_t i = 0;
                {
                    std::lock_guard<std::mutex> guard(shared->lock);
                    if (shared->stop || shared->next >= shared->queue.size()) return;
                    i = shared->queue[shared->next++];
                    name = shared->names[i];
                }
                Resolution found = Lookup(name, port, false);
                {
                    std::lock_guard<std::mutex> guard(shared->lock);
                    shared->results[i] = std::move(found);
                    --shared->left;
                }
                shared->changed.notify_all();
            }
        }).detach();
    }

    const netapi::CallControl* call = netapi::CurrentCall();
    std::unique_lock<std::mutex> lock(shared->lock);
    while (shared->left > 0 && !(call != nullptr && call->Over()))
        shared->changed.wait_for(lock, std::chrono::milliseconds(50));
    shared->stop = true;
    std::vector<Resolution> out(hosts.size());
    for (std::size_t i = 0; i < hosts.size(); ++i)
        if (shared->results[i]) out[i] = *shared->results[i];  // unanswered: 53
    return out;
}

bool ResolvesTo(const std::string& name, const std::string& address) {
    std::string literal = address.substr(0, address.find('%'));
    unsigned char wanted[sizeof(in6_addr)] = {};
    int family = AF_INET;
    if (inet_pton(AF_INET, literal.c_str(), wanted) != 1) {
        family = AF_INET6;
        if (inet_pton(AF_INET6, literal.c_str(), wanted) != 1) return false;
    }
    const std::vector<Resolution> found = ResolveHosts({name}, 445);
    for (const Resolution::Address& a : found.front().addresses) {
        if (a.family != family) continue;
        if (family == AF_INET && a.bytes.size() >= sizeof(sockaddr_in)) {
            sockaddr_in in{};
            std::memcpy(&in, a.bytes.data(), sizeof in);
            if (std::memcmp(&in.sin_addr, wanted, sizeof in.sin_addr) == 0) return true;
        } else if (family == AF_INET6 && a.bytes.size() >= sizeof(sockaddr_in6)) {
            sockaddr_in6 in6{};
            std::memcpy(&in6, a.bytes.data(), sizeof in6);
            if (std::memcmp(&in6.sin6_addr, wanted, sizeof in6.sin6_addr) == 0) return true;
        }
    }
    return false;
}

}  // namespace smb
