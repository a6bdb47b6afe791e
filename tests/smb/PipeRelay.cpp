#include "PipeRelay.h"

#include <cctype>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <vector>

namespace smbtest {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kSuccess = 0;
constexpr std::uint32_t kPending = 0x00000103;
constexpr std::uint32_t kBufferOverflow = 0x80000005;
constexpr std::uint16_t kTreeConnect = 3, kCreate = 5, kRead = 8, kIoctl = 11, kEcho = 13;
constexpr std::uint32_t kPipeTransceive = 0x0011C017;
constexpr std::size_t kHeader = 64;

std::uint32_t Get(const Bytes& b, std::size_t at, int size) {
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<std::size_t>(i)];
    return v;
}
void Put(Bytes& b, std::size_t at, int size, std::uint64_t v) {
    for (int i = 0; i < size; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint64_t MessageId(const Bytes& m) { return Get(m, 24, 4) | static_cast<std::uint64_t>(Get(m, 28, 4)) << 32; }
std::string FileId(const Bytes& m, std::size_t at) { return std::string(m.begin() + at, m.begin() + at + 16); }

// What the server's side of one pipe has sent and the client not yet read.
struct Pipe {
    std::deque<std::uint8_t> waiting;
    std::size_t messageLeft = 0;  // of the message at the front; 0: at a boundary
};

// A pipe read under way: what the client asked for.
struct Read {
    std::string file;
    bool ioctl = false;
    bool fromRelay = false;  // answered from what the relay holds (sent on as an ECHO)
    std::size_t wanted = 0;
    Bytes request;  // as the client sent it
};

Bytes Framed(const Bytes& m) {
    Bytes out = {0, static_cast<std::uint8_t>(m.size() >> 16), static_cast<std::uint8_t>(m.size() >> 8),
                 static_cast<std::uint8_t>(m.size())};
    out.insert(out.end(), m.begin(), m.end());
    return out;
}

bool Smb2(const Bytes& m) {
    return m.size() >= kHeader && m[0] == 0xFE && m[1] == 'S' && m[2] == 'M' && m[3] == 'B' &&
           Get(m, 20, 4) == 0;  // not part of a compound chain
}

// A READ or IOCTL response (from `header`, a response to the same message)
// carrying `data` with `status`.
Bytes Answer(const Bytes& header, const Read& read, std::uint32_t status, const Bytes& data) {
    Bytes m(header.begin(), header.begin() + kHeader);
    Put(m, 8, 4, status);
    if (read.ioctl) {
        Put(m, 12, 2, kIoctl);
        Bytes body(48, 0);
        Put(body, 0, 2, 49);
        Put(body, 4, 4, kPipeTransceive);
        std::copy(read.request.begin() + kHeader + 8, read.request.begin() + kHeader + 24, body.begin() + 8);
        Put(body, 24, 4, kHeader + 48);
        Put(body, 32, 4, kHeader + 48);
        Put(body, 36, 4, data.size());
        m.insert(m.end(), body.begin(), body.end());
    } else {
        Put(m, 12, 2, kRead);
        Bytes body(16, 0);
        Put(body, 0, 2, 17);
        body[2] = kHeader + 16;
        Put(body, 4, 4, data.size());
        m.insert(m.end(), body.begin(), body.end());
    }
    m.insert(m.end(), data.begin(), data.end());
    if (data.empty() && !read.ioctl) m.push_back(0);
    return m;
}

}  // namespace

// One client's connection: its IPC$ trees and pipes, and the pipe reads under way.
struct PipeRelay::Connection final : Link {
    explicit Connection(PipeRelay& relay) : relay(relay) {}

    // Requests: note IPC$ trees and pipes; pipe reads are relayed as large
    // reads (or ECHOs when the relay already holds the data).
    void FromClient(const std::uint8_t* data, std::size_t size) override {
        fromClient.insert(fromClient.end(), data, data + size);
        Bytes m;
        while (NextFrame(fromClient, m)) {
            if (Smb2(m)) {
                const std::uint16_t command = static_cast<std::uint16_t>(Get(m, 12, 2));
                const std::uint64_t id = MessageId(m);
                if (command == kTreeConnect && m.size() >= kHeader + 8) {
                    const std::size_t at = Get(m, kHeader + 4, 2), length = Get(m, kHeader + 6, 2);
                    std::string path;
                    for (std::size_t k = at; k + 1 < at + length && k + 1 < m.size(); k += 2)
                        path.push_back(static_cast<char>(std::toupper(m[k])));
                    if (path.ends_with("\\IPC$")) ipcTreeConnects.insert(id);
                } else if (command == kCreate && ipcTrees.contains(Get(m, 36, 4))) {
                    ipcCreates.insert(id);
                } else if (command == kRead && m.size() >= kHeader + 32 && pipes.contains(FileId(m, kHeader + 16))) {
                    Read r{FileId(m, kHeader + 16), false, false, Get(m, kHeader + 4, 4), m};
                    if (!pipes[r.file].waiting.empty()) {
                        r.fromRelay = true;
                        Bytes echo(m.begin(), m.begin() + kHeader);
                        Put(echo, 12, 2, kEcho);
                        echo.insert(echo.end(), {4, 0, 0, 0});
                        m = echo;
                    } else {
                        const std::uint32_t charge = std::max<std::uint32_t>(1, Get(m, 6, 2));
                        Put(m, kHeader + 4, 4, std::max<std::size_t>(r.wanted, 65536u * charge));
                    }
                    reads[id] = r;
                } else if (command == kIoctl && m.size() >= kHeader + 48 && Get(m, kHeader + 4, 4) == kPipeTransceive &&
                           pipes.contains(FileId(m, kHeader + 8))) {
                    reads[id] = Read{FileId(m, kHeader + 8), true, false, Get(m, kHeader + 44, 4), m};
                }
            }
            const Bytes f = Framed(m);
            ToServer(f.data(), f.size());
        }
    }

    void FromServer(const std::uint8_t* data, std::size_t size) override {
        fromServer.insert(fromServer.end(), data, data + size);
        Bytes m;
        while (NextFrame(fromServer, m)) {
            auto when = Clock::now();
            if (Smb2(m)) {
                const std::uint16_t command = static_cast<std::uint16_t>(Get(m, 12, 2));
                const std::uint64_t id = MessageId(m);
                const std::uint32_t status = Get(m, 8, 4);
                if (command == kTreeConnect && ipcTreeConnects.erase(id) && status == kSuccess) {
                    ipcTrees.insert(Get(m, 36, 4));
                } else if (command == kCreate && ipcCreates.erase(id) && status == kSuccess &&
                           m.size() >= kHeader + 80) {
                    pipes[FileId(m, kHeader + 64)];
                } else if (reads.contains(id) && status != kPending) {
                    const Read r = reads[id];
                    reads.erase(id);
                    Pipe& pipe = pipes[r.file];
                    bool rewrite = r.fromRelay;
                    if (!r.fromRelay && (status == kSuccess || status == kBufferOverflow)) {
                        // What the server sent is added to what the pipe holds.
                        std::size_t at = 0, length = 0;
                        if (r.ioctl && m.size() >= kHeader + 40) {
                            at = Get(m, kHeader + 32, 4);
                            length = Get(m, kHeader + 36, 4);
                        } else if (!r.ioctl && m.size() >= kHeader + 8) {
                            at = m[kHeader + 2];
                            length = Get(m, kHeader + 4, 4);
                        }
                        if (at + length <= m.size()) {
                            pipe.waiting.insert(pipe.waiting.end(), m.begin() + static_cast<std::ptrdiff_t>(at),
                                                m.begin() + static_cast<std::ptrdiff_t>(at + length));
                            rewrite = true;
                        }
                    }
                    if (rewrite) {
                        if (Get(m, 16, 4) & 0x8) ++relay.mSigned;
                        std::uint32_t answered = kSuccess;
                        const Bytes given = Take(pipe, r.wanted, answered);
                        m = Answer(m, r, answered, given);
                        if (relay.mMode == Mode::Trickle && relay.mTrickling.load()) when += relay.mDelay;
                    }
                }
            }
            // Replies stay in order; a held one holds those behind it.
            if (!toClient.empty()) when = std::max(when, toClient.back().first);
            toClient.emplace_back(when, Framed(m));
        }
    }

    void Flush() override {
        const auto now = Clock::now();
        while (!toClient.empty() && toClient.front().first <= now) {
            ToClient(toClient.front().second.data(), toClient.front().second.size());
            toClient.pop_front();
        }
    }

    // Hands the client up to `wanted` bytes of the pipe's waiting data, as
    // the pipe's kind would: the status to answer with and the bytes.
    Bytes Take(Pipe& pipe, std::size_t wanted, std::uint32_t& status) {
        const bool trickle = relay.mMode == Mode::Trickle && relay.mTrickling.load();
        if (pipe.messageLeft == 0 && pipe.waiting.size() >= 16)
            pipe.messageLeft = pipe.waiting[8] | pipe.waiting[9] << 8;
        std::size_t give = std::min(wanted, pipe.waiting.size());
        if (trickle) {
            give = std::min<std::size_t>(give, 1);
            status = kSuccess;
        } else if (pipe.messageLeft == 0) {
            status = give < pipe.waiting.size() ? kBufferOverflow : kSuccess;
        } else {
            give = std::min(give, pipe.messageLeft);
            pipe.messageLeft -= give;
            status = pipe.messageLeft > 0 ? kBufferOverflow : kSuccess;
        }
        Bytes data(pipe.waiting.begin(), pipe.waiting.begin() + static_cast<std::ptrdiff_t>(give));
        pipe.waiting.erase(pipe.waiting.begin(), pipe.waiting.begin() + static_cast<std::ptrdiff_t>(give));
        if (trickle) pipe.messageLeft = 0;
        ++relay.mPipeReads;
        if (status == kBufferOverflow) ++relay.mOverflows;
        if (status == kSuccess && give < wanted && !pipe.waiting.empty()) ++relay.mBoundaries;
        return data;
    }

    PipeRelay& relay;
    Bytes fromClient, fromServer;
    std::deque<std::pair<Clock::time_point, Bytes>> toClient;
    std::set<std::uint64_t> ipcTreeConnects, ipcCreates;
    std::set<std::uint32_t> ipcTrees;
    std::map<std::string, Pipe> pipes;
    std::map<std::uint64_t, Read> reads;
};

PipeRelay::PipeRelay(std::string listen, std::string upstream, Mode mode, std::chrono::milliseconds delay)
    : mMode(mode), mDelay(delay) {
    if (mNet.Listen(listen))
        mNet.Start(std::move(upstream), 20, [this] { return std::make_unique<Connection>(*this); });
}

}  // namespace smbtest
