#pragma once
// The Open Resources window: every file held open on the chosen server, who
// holds it, for what access, with how many locks. Files can be closed, paths
// found, messages sent, and the list can refresh itself and log what came and
// went to the usage log. Opened modally from the main window's "&In Use".
#include <array>
#include <cstdint>
#include <memory>

#include "UsageLog.h"
#include "windows/common/ToolWindowBase.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace netenum {
class colFileEnum;
}

namespace resources {

class frmResources final : public common::ToolWindowBase {
    Q_OBJECT

public:
    // Opening: caption, message target, the saved find text; the first fill
    // (row 1 selected) once the window is on screen.
    explicit frmResources(common::MainFormLink& main, QWidget* parent = nullptr);
    ~frmResources() override;

    // Rebuilds the list and the counters from a fresh enumeration.
    void FillResources();
    // The usage-log step of a refresh (only while chkLog is checked).
    void WriteUsageLog();

    UsageLog& usageLog() { return mUsageLog; }
    // Timer1 as the classic timer has it: enabled, and an interval in ms
    // where 0 never fires.
    bool Timer1Enabled() const { return mTimer1Enabled; }
    int Timer1Interval() const { return mTimer1Interval; }

    // The "For" text of an item's permission bits.
    static QString PermissionText(std::int32_t permissions);

    // The controls, under their classic names.
    common::ReportList* lstvwResources;
    std::array<QLabel*, 7> lblCaption{};  // indices 4, 5 and 6
    QLabel* lblOpenResources;
    QLabel* lblFileLocks;
    QPushButton* cmdFind;
    QLineEdit* txtFind;
    QPushButton* cmdHelp;
    QPushButton* cmdCloseResource;
    QCheckBox* chkRefresh;
    QLineEdit* txtSecs;
    QCheckBox* chkLog;
    QTimer* Timer1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Unloading: the timer stops and the list's collection goes.
    void Unloading() override;
    void FirstFill() override { FillResources(); }

private:
    void CreateControls();
    void cmdRefresh_Click();
    void cmdCloseResource_Click();
    void chkRefresh_Click();
    void txtSecs_Change();
    void ApplyTimer();
    void ShowLogPlace();

    std::unique_ptr<netenum::colFileEnum> mFiles;
    UsageLog mUsageLog;
    bool mTimer1Enabled = false;
    int mTimer1Interval = 10000;
    // The first refresh that wrote the log names its file in the pane, once.
    bool mLogWritten = false;
    bool mLogNamed = false;
};

}  // namespace resources
