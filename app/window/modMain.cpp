#include "modMain.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "text/Text.h"
#include "windows/common/Product.h"

namespace app {

QString gComputerName = common::LocalComputer();
QString gAppPath;

QString WithTrailingSeparator(const QString& folder) {
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))) return folder;
    return folder + QLatin1Char('/');
}

std::optional<std::u16string> GetLocalUserName() {
    std::string name;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr)
        name = found->pw_name;
    // Accounts that exist only in the environment (some containers) still have a name.
    if (name.empty()) {
        for (const char* variable : {"LOGNAME", "USER"}) {
            if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') {
                name = value;
                break;
            }
        }
    }
    if (name.empty()) return std::nullopt;
    return text::ToUpper(text::FromUtf8(name));
}

}  // namespace app
