#pragma once
// The Open Resources window: every file held open on the chosen server, who
// holds it, for what access, with how many locks. Files can be closed, paths
// found, messages sent, and the list can refresh itself and log what came and
// went to the usage log. Opened modally from the main window's "&In Use".
#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>

#include "UsageLog.h"
#include "netenum/MessageTarget.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace netenum {
class colFileEnum;
}

namespace common {
class ListCommands;
class MessagePane;
class ReportList;
}  // namespace common

namespace resources {

class frmResources final : public QDialog, public netenum::MessageSink {
    Q_OBJECT

public:
    // Opening: caption, message target, the first fill, row 1 selected, the
    // saved find text.
    explicit frmResources(QWidget* parent = nullptr);
    ~frmResources() override;
    frmResources(const frmResources&) = delete;
    frmResources& operator=(const frmResources&) = delete;

    // The System Messages pane as the message target.
    void AppendLine(const std::u16string& line) override;

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
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command4;
    common::MessagePane* Text1;
    QPushButton* cmdRefresh;
    QPushButton* Command3;
    QPushButton* cmdCloseResource;
    QPushButton* cmdClose;
    QCheckBox* chkRefresh;
    QLineEdit* txtSecs;
    QCheckBox* chkLog;
    QTimer* Timer1;

public slots:
    // Unloading: the find text is saved and the message target goes back.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void cmdRefresh_Click();
    void cmdCloseResource_Click();
    void cmdClose_Click();
    void lstvwResources_ItemClick();
    void chkRefresh_Click();
    void txtSecs_Change();
    void SelectFirstRow();
    void ApplyTimer();
    void Unload();
    QString RemoteServer() const;

    std::unique_ptr<netenum::colFileEnum> mFiles;
    std::unique_ptr<common::ListCommands> mCommands;
    UsageLog mUsageLog;
    netenum::MessageSink* mPreviousTarget = nullptr;
    bool mTimer1Enabled = false;
    int mTimer1Interval = 10000;
    bool mUnloaded = false;
};

}  // namespace resources
