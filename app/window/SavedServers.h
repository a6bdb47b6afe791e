#pragma once
// The computers the administrator added by name or address: the settings'
// "Network"/"Servers" value, comma-separated. Every change is saved at once
// and handed to the network, so the next listing asks the new computer too.
#include <QString>
#include <QStringList>

namespace app {

QStringList SavedServers();
// Whether `name` is one of them (letter case ignored, "\\" prefixes dropped).
bool IsSavedServer(const QString& name);
// False when it was there already (nothing changes then).
bool AddSavedServer(const QString& name);
// False when it was not there.
bool RemoveSavedServer(const QString& name);
// Hands the saved list to the network (at start and after each change).
void PublishSavedServers();

}  // namespace app
