#pragma once
// The computers the administrator added by name or address: the settings'
// "Network"/"Servers" value, comma-separated. Every change is saved at once
// and handed to the network, so the next listing asks the new computer too.
#include <QString>
#include <QStringList>

namespace app {

QStringList ConfiguredServers();
// Whether `name` is one of them (letter case ignored, "\\" prefixes dropped).
bool IsConfiguredServer(const QString& name);
// False when it was there already (nothing changes then).
bool AddConfiguredServer(const QString& name);
// False when it was not there.
bool RemoveConfiguredServer(const QString& name);
// Hands the saved list to the network (at start and after each change).
void PublishConfiguredServers();

}  // namespace app
