#include "SmbCredentials.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "KerberosTicket.h"
#include "logon/CredentialLookup.h"

namespace smb {
namespace {

void Wipe(std::string& s) {
    // A volatile pointer keeps the compiler from dropping the stores.
    volatile char* p = s.data();
    for (std::size_t i = 0; i < s.size(); ++i) p[i] = 0;
    s.clear();
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

bool KeyIs(const std::string& key, const char* want) { return strcasecmp(key.c_str(), want) == 0; }

}  // namespace

SmbCredentials::~SmbCredentials() { Wipe(mPassword); }

bool SmbCredentials::CacheIsOurs(const std::string& fullName, unsigned uid) {
    std::string path;
    bool directory = false;
    if (fullName.rfind("FILE:", 0) == 0) {
        path = fullName.substr(5);
    } else if (fullName.rfind("DIR::", 0) == 0) {
        path = fullName.substr(5);  // one cache file of a collection
    } else if (fullName.rfind("DIR:", 0) == 0) {
        path = fullName.substr(4);
        directory = true;
    } else if (!fullName.empty() && fullName[0] == '/') {
        path = fullName;
    } else {
        return !fullName.empty();  // KEYRING:, KCM: and the like live outside the file system
    }
    // A cache in a shared folder is only ours when we own it and nobody else
    // can read or change it.
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) return false;
    if (directory ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) return false;
    return st.st_uid == uid && (st.st_mode & 077) == 0;
}

bool SmbCredentials::LoadAuthFile(const std::string& path) {
    mProblem.clear();
    // Not blocking: a FIFO put under the name would otherwise hang start-up
    // until someone writes to it. Anything but a regular file is refused below.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        mProblem = "cannot open the auth file " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st{};
    std::string content;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        mProblem = "the auth file " + path + " is not a regular file";
    } else if (st.st_uid != geteuid()) {
        mProblem = "the auth file " + path + " belongs to another user";
    } else if ((st.st_mode & 077) != 0) {
        mProblem = "the auth file " + path +
                   " can be read or changed by others; allow only its owner (chmod 600)";
    } else {
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            content.append(buffer, static_cast<std::size_t>(n));
            if (content.size() > 65536) break;
        }
        std::memset(buffer, 0, sizeof buffer);
    }
    close(fd);
    if (!mProblem.empty()) return false;

    std::size_t at = 0;
    while (at < content.size()) {
        std::size_t end = content.find('\n', at);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(at, end - at);
        at = end + 1;
        const auto eq = line.find('=');
        if (eq != std::string::npos && line[0] != '#' && line[0] != ';') {
            const std::string key = Trim(line.substr(0, eq));
            std::string value = Trim(line.substr(eq + 1));
            if (KeyIs(key, "username")) {
                // "DOMAIN\user" and "DOMAIN/user" carry their domain with them.
                const auto sep = value.find_first_of("\\/");
                if (sep != std::string::npos) {
                    mDomain = value.substr(0, sep);
                    mUser = value.substr(sep + 1);
                } else {
                    mUser = value;
                }
            } else if (KeyIs(key, "password")) {
                Wipe(mPassword);
                mPassword = value;
                mHasPassword = true;
                logon::ProtectSecrets();
            } else if (KeyIs(key, "domain")) {
                mDomain = value;
            }
            Wipe(value);
        }
        Wipe(line);
    }
    Wipe(content);
    if (mUser.empty()) {
        // Refused as a whole: a password without its user must not linger
        // where a caller could still send it.
        Wipe(mPassword);
        mHasPassword = false;
        mDomain.clear();
        mProblem = "the auth file " + path + " names no user (username = ...)";
        return false;
    }
    mSource = "the account of the auth file " + path;
    return true;
}

void SmbCredentials::UseAccount(const logon::Account& account, std::string source) {
    if (!account.password.empty()) logon::ProtectSecrets();
    mUser = account.user;
    Wipe(mPassword);
    mPassword = account.password;
    mDomain = account.domain;
    mHasPassword = true;
    mProblem.clear();
    mSource = std::move(source);
}

SmbCredentials SmbCredentials::WithoutPassword(const std::string& host) const {
    SmbCredentials c;
    std::string bare = host.substr(0, host.find('%'));
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']') bare = bare.substr(1, bare.size() - 2);
    in6_addr address{};
    const bool literal = inet_pton(AF_INET, bare.c_str(), &address) == 1 ||
                         inet_pton(AF_INET6, bare.c_str(), &address) == 1;
    c.mKerberos = mKerberos && !literal;
    c.mPrincipal = c.mKerberos ? mPrincipal : std::string();
    return c;
}

std::string SmbCredentials::Describe() const {
    std::string out;
    if (mKerberos) out = "the Kerberos ticket of " + mPrincipal;
    if (mHasPassword) {
        if (!out.empty()) out += ", then ";
        out += (mSource.empty() ? std::string("the account given") : mSource) + " (" +
               (mDomain.empty() ? mUser : mDomain + "\\" + mUser) + ")";
    }
    return out.empty() ? "no account (anonymous)" : out;
}

SmbCredentials SmbCredentials::FromEnvironment() {
    SmbCredentials c;
    if (const auto ticket = CurrentKerberosTicket();
        ticket && CacheIsOurs(ticket->cacheName, geteuid())) {
        c.mKerberos = true;
        c.mPrincipal = ticket->principal;
    }
    const char* file = std::getenv("VANTOR_SMB_AUTHFILE");
    if (file != nullptr && *file != 0) {
        SmbCredentials loaded;
        if (loaded.LoadAuthFile(file)) {
            loaded.mKerberos = c.mKerberos;
            loaded.mPrincipal = c.mPrincipal;
            return loaded;
        }
        c.mProblem = loaded.mProblem;
    }
    return c;
}

}  // namespace smb
