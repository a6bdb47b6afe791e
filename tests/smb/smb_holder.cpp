// Holds files open on an SMB server as one user, so the live tests have open
// files and sessions to list, close and end.
//   VANTOR_HOLDER_PASSWORD=... vantor_smb_holder HOST USER [--many FORMAT COUNT] SHARE/PATH...
// (the password comes from the environment, never from the command line).
// Prints "READY <n>" once every file is open, then answers commands on stdin:
//   read I   -> "OK" when file I can still be read, else "ERR <errno>"
//   quit (or end of input) -> closes everything and exits.
#include <libsmbclient.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::string gUser;
std::string gPassword;

void Auth(SMBCCTX*, const char*, const char*, char*, int, char* user, int userLength,
          char* password, int passwordLength) {
    std::snprintf(user, static_cast<std::size_t>(userLength), "%s", gUser.c_str());
    std::snprintf(password, static_cast<std::size_t>(passwordLength), "%s", gPassword.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const char* password = std::getenv("VANTOR_HOLDER_PASSWORD");
    if (argc < 3 || password == nullptr) {
        std::fprintf(stderr, "usage: VANTOR_HOLDER_PASSWORD=... %s HOST USER [--many FORMAT COUNT] PATH...\n",
                     argv[0]);
        return 2;
    }
    const std::string host = argv[1];
    gUser = argv[2];
    gPassword = password;
    std::vector<std::string> paths;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--many") == 0 && i + 2 < argc) {
            const int count = std::atoi(argv[i + 2]);
            char buffer[512];
            for (int k = 0; k < count; ++k) {
                std::snprintf(buffer, sizeof buffer, argv[i + 1], k);
                paths.emplace_back(buffer);
            }
            i += 2;
        } else {
            paths.emplace_back(argv[i]);
        }
    }

    SMBCCTX* ctx = smbc_new_context();
    smbc_setDebug(ctx, 0);
    smbc_setTimeout(ctx, 10000);
    smbc_setFunctionAuthDataWithContext(ctx, Auth);
    smbc_setOptionNoAutoAnonymousLogin(ctx, 1);
    if (smbc_init_context(ctx) == nullptr) {
        std::printf("FAIL init %d\n", errno);
        smbc_free_context(ctx, 1);
        return 1;
    }
    auto open = smbc_getFunctionOpen(ctx);
    std::vector<SMBCFILE*> files;
    for (const auto& p : paths) {
        const std::string url = "smb://" + host + "/" + p;
        SMBCFILE* f = open(ctx, url.c_str(), O_RDWR | O_CREAT, 0666);
        if (f == nullptr) {
            std::printf("FAIL %s %d\n", p.c_str(), errno);
            std::fflush(stdout);
            for (SMBCFILE* held : files) smbc_getFunctionClose(ctx)(ctx, held);
            smbc_free_context(ctx, 1);
            return 1;
        }
        files.push_back(f);
    }
    std::printf("READY %zu\n", files.size());
    std::fflush(stdout);

    std::string command;
    while (std::cin >> command) {
        if (command == "quit") break;
        if (command == "read") {
            std::size_t index = 0;
            std::cin >> index;
            if (index >= files.size()) {
                std::printf("ERR %d\n", EINVAL);
            } else {
                char byte = 0;
                smbc_getFunctionLseek(ctx)(ctx, files[index], 0, SEEK_SET);
                errno = 0;
                const ssize_t n = smbc_getFunctionRead(ctx)(ctx, files[index], &byte, 1);
                if (n >= 0) std::printf("OK\n");
                else std::printf("ERR %d\n", errno);
            }
            std::fflush(stdout);
        }
    }
    for (SMBCFILE* f : files) smbc_getFunctionClose(ctx)(ctx, f);
    smbc_free_context(ctx, 1);
    return 0;
}
