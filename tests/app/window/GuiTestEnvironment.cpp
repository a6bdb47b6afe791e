#include "GuiTestEnvironment.h"

#include <QDir>
#include <gtest/gtest.h>

#include "netenum/Provider.h"
#include "sim/ScenarioLoader.h"
#include "support/GuiTestMain.h"
#include "windows/common/Settings.h"

namespace gui_test {
QString SettingsFile() { return gui_support::SettingsHome() + "/Vantor/Vantor.conf"; }
void RemoveSettings() { QDir(gui_support::SettingsHome() + "/Vantor").removeRecursively(); }

void WriteSettings(const QString& type, const QString& computer) {
    common::SaveOption("Type", type);
    common::SaveOption("Computer", computer);
}

void InstallScenario(std::string_view json) {
    auto network = sim::LoadScenario(json, "test scenario");
    network->SetSleeper([](std::chrono::milliseconds) {});
    netapi::SetProvider(network);
}

void Pick(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QStringList Entries(const QComboBox* combo) {
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
    return entries;
}

}  // namespace gui_test
