#include "Locations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <vector>

#ifndef VANTOR_DATA_FROM_BIN
#define VANTOR_DATA_FROM_BIN "../share/vantor"
#endif

namespace common {
namespace {

QString WithSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString InstalledDataFolder(const QString& programFolder) {
    return WithSeparator(QDir::cleanPath(WithSeparator(programFolder) +
                                         QString::fromUtf8(VANTOR_DATA_FROM_BIN)));
}

bool HoldsHelpFile(const QString& folder) {
    return QFileInfo(folder + QString::fromLatin1(kHelpFileName)).isFile();
}

bool InGroup(gid_t group) {
    if (group == getegid()) return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i)
        if (groups[static_cast<std::size_t>(i)] == group) return true;
    return false;
}

}  // namespace

QString DataFolder(const QString& programFolder) {
    const QString own = WithSeparator(programFolder);
    if (HoldsHelpFile(own)) return own;
    const QString installed = InstalledDataFolder(programFolder);
    return HoldsHelpFile(installed) ? installed : own;
}

bool IsInstalled(const QString& programFolder) {
    return DataFolder(programFolder) != WithSeparator(programFolder);
}

QString StateFolder() {
    // Relative values are invalid by the XDG rules and are ignored.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(base + QStringLiteral("/vantor"));
}

QString UsageLogFileName(const QString& programFolder) {
    const QString name = QString::fromLatin1(kUsageLogFileName);
    if (!IsInstalled(programFolder) && FolderWritable(programFolder))
        return WithSeparator(programFolder) + name;
    return StateFolder() + QLatin1Char('/') + name;
}

bool FolderWritable(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    struct stat info {};
    if (path.isEmpty() || ::stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    // access() answers for read-only file systems and ACLs; the mode bits
    // answer for root, to whom access() grants every folder.
    if (::access(path.constData(), W_OK | X_OK) != 0) return false;
    if (info.st_uid == geteuid()) return (info.st_mode & S_IWUSR) != 0;
    if (InGroup(info.st_gid)) return (info.st_mode & S_IWGRP) != 0;
    return (info.st_mode & S_IWOTH) != 0;
}

bool MakePrivateFolder(const QString& folder, QString& error) {
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (QFileInfo(clean).isDir()) return true;
    // Each missing part is made in turn, so that every new one gets the mode.
    QString path;
    for (const QString& part : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        if (QFileInfo(path).isDir()) continue;
        if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST) {
            error = QStringLiteral("cannot create %1: %2")
                        .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
    }
    return true;
}

}  // namespace common
