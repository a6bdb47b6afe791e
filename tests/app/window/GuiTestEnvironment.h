#pragma once
// What the window tests install around the window under test: a network, the
// scripted prompts, a recording desktop and a clean settings file.
#include <QComboBox>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "about/Desktop.h"
#include "app/window/frmMain.h"
#include "support/ScriptedPrompts.h"

namespace gui_test {

QString SettingsFile();
void RemoveSettings();
void WriteSettings(const QString& type, const QString& computer);

class RecordingDesktop final : public about::Desktop {
public:
    bool hasHandler = true;
    bool openSucceeds = true;
    std::vector<QUrl> opened;
    int beeps = 0;
    std::function<void()> onOpen;  // runs as the program is being started

    bool HasHandler(const QUrl&) override { return hasHandler; }
    bool Open(const QUrl& url) override {
        opened.push_back(url);
        if (onOpen) onOpen();
        return openSucceeds;
    }
    void Beep() override { ++beeps; }
};

// Installs prompts and desktop for one test and puts the previous ones back.
class Doubles {
public:
    Doubles() : mPreviousDesktop(about::SetDesktop(mDesktop)) {}
    ~Doubles() { about::SetDesktop(mPreviousDesktop); }
    Doubles(const Doubles&) = delete;
    Doubles& operator=(const Doubles&) = delete;
    common::ScriptedPrompts& prompts() { return *mPrompts; }
    RecordingDesktop& desktop() { return *mDesktop; }

private:
    common::PromptsScope mPrompts;
    std::shared_ptr<RecordingDesktop> mDesktop = std::make_shared<RecordingDesktop>();
    std::shared_ptr<about::Desktop> mPreviousDesktop;
};

// A simulated network from JSON as the provider; unreachable computers
// answer at once instead of after their delay.
void InstallScenario(std::string_view json);

// A pick by the user: the entry becomes current and the list's click runs.
void Pick(QComboBox* combo, const QString& text);
QStringList Entries(const QComboBox* combo);

// The real tool window `Window` for the main window to open.
template <typename Window>
app::ToolWindowFactory Factory() {
    return [](common::MainFormLink& main, QWidget* parent) -> std::unique_ptr<QDialog> {
        return std::make_unique<Window>(main, parent);
    };
}

}  // namespace gui_test
