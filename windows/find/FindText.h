#pragma once
// What the window's two source files share: the columns and how an answer's
// text becomes a cell or a line.
#include <QString>
#include <cstdint>
#include <string_view>

#include "netenum/NetTypes.h"
#include "windows/common/WindowParts.h"

namespace find {

enum FileColumn { kFileComputer, kFileUser, kFileFor, kFileLocks, kFilePath };
enum SessionColumn { kSessionComputer, kSessionUser, kSessionClient };

inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The "For" word of Open Resources: the strongest access the bits grant.
inline const QString& AccessWord(std::uint32_t bits) {
    static const QString kWrite = QStringLiteral("Write"), kExecute = QStringLiteral("Execute"),
                         kCreate = QStringLiteral("Create"), kRead = QStringLiteral("Read"),
                         kUnknown = QStringLiteral("Unknown");
    if (bits & netapi::PERM_FILE_WRITE) return kWrite;
    if (bits & netapi::ACCESS_EXEC) return kExecute;
    if (bits & netapi::PERM_FILE_CREATE) return kCreate;
    if (bits & netapi::PERM_FILE_READ) return kRead;
    return kUnknown;
}

// Text from a server or typed by a person, made safe for one pane line.
inline QString OneLine(const QString& text) { return common::Escaped(text); }

}  // namespace find
