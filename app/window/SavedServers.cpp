#include "SavedServers.h"

#include "app/NetworkChoice.h"
#include "windows/common/Settings.h"

namespace app {
namespace {

const QString kSection = QStringLiteral("Network");
const QString kKey = QStringLiteral("Servers");

QString Bare(QString name) {
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('\\'))) name.remove(0, 1);
    return name;
}

void Save(const QStringList& servers) {
    common::SaveSetting(common::ProductName(), kSection, kKey,
                        servers.join(QLatin1Char(',')));
    PublishSavedServers();
}

qsizetype IndexOf(const QStringList& servers, const QString& name) {
    const QString wanted = Bare(name);
    for (qsizetype i = 0; i < servers.size(); ++i)
        if (servers[i].compare(wanted, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

}  // namespace

QStringList SavedServers() {
    QStringList servers;
    const QString value =
        common::GetSetting(common::ProductName(), kSection, kKey);
    for (const QString& item : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (const QString name = Bare(item); !name.isEmpty()) servers << name;
    return servers;
}

bool IsSavedServer(const QString& name) { return IndexOf(SavedServers(), name) >= 0; }

bool AddSavedServer(const QString& name) {
    QStringList servers = SavedServers();
    if (IndexOf(servers, name) >= 0) return false;
    servers << Bare(name);
    Save(servers);
    return true;
}

bool RemoveSavedServer(const QString& name) {
    QStringList servers = SavedServers();
    const qsizetype at = IndexOf(servers, name);
    if (at < 0) return false;
    servers.removeAt(at);
    Save(servers);
    return true;
}

void PublishSavedServers() {
    SetKnownServers(SavedServers().join(QLatin1Char(',')).toStdU16String());
}

}  // namespace app
