#include "LibnetapiFileEnum.h"

#include <cstdint>

#include <netapi.h>

namespace smbbench {
namespace {
libnetapi_ctx* gContext = nullptr;
}

bool LibnetapiInit(const std::string& user, const std::string& password) {
    if (libnetapi_init(&gContext) != 0) return false;
    libnetapi_set_username(gContext, user.c_str());
    libnetapi_set_password(gContext, password.c_str());
    return true;
}

long LibnetapiFileEnum(const std::string& server) {
    std::uint8_t* buffer = nullptr;
    std::uint32_t read = 0, total = 0, resume = 0;
    const NET_API_STATUS status = NetFileEnum(server.c_str(), nullptr, nullptr, 3, &buffer,
                                              0xFFFFFFFFu, &read, &total, &resume);
    if (buffer != nullptr) NetApiBufferFree(buffer);
    return status == 0 ? static_cast<long>(read) : -1;
}

void LibnetapiDone() {
    if (gContext != nullptr) libnetapi_free(gContext);
    gContext = nullptr;
}

}  // namespace smbbench
