#pragma once
// The Shared Resources window: the chosen server's shares and, for the share
// the administrator clicks, the users connected to it. Selected users can be
// disconnected (their whole session ends) or sent a message. Shares are
// created, stopped and changed on the shown computer (New Share…, Stop
// Sharing, Properties…). Opened modally from the main window's "&Shares".
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "windows/common/ToolWindowBase.h"

class QLabel;
class QAction;
class QPushButton;

namespace netenum {
class colConnectionEnum;
class colSessionEnum;
class colShareEnum;
}  // namespace netenum

namespace shares {

class frmSharedResources final : public common::ToolWindowBase {
    Q_OBJECT

public:
    // Opening: caption, message target; once on screen the share fill, share
    // 1 selected (its users are not loaded until a share is clicked).
    explicit frmSharedResources(common::MainFormLink& main, QWidget* parent = nullptr);
    ~frmSharedResources() override;

    // Rebuilds the share list and empties the users list.
    void FillShares();
    // A click on share `row` (display position): lists that share's users.
    void lstvwShares_ItemClick(int row);

    // The controls, under their classic names.
    std::array<QLabel*, 7> lblCaption{};  // indices 0, 1, 2 and 6
    common::ReportList* lstvwShares;
    common::ReportList* lstvwConnectedUsers;
    QLabel* lblConnectedUsers;
    QPushButton* cmdDisconnect;
    QPushButton* cmdNewShare;
    QPushButton* cmdStopSharing;
    QPushButton* cmdProperties;
    // The same commands in the share list's context menu; Delete stops
    // sharing, Enter or Alt+Enter opens Properties.
    QAction* mnuNewShare;
    QAction* mnuStopSharing;
    QAction* mnuProperties;

    // The commands as clicked, on the chosen share.
    void cmdNewShare_Click();
    void cmdStopSharing_Click();
    void cmdProperties_Click();

protected:
    void FirstFill() override { FillShares(); }

private:
    void CreateControls();
    void cmdDisconnect_Click();
    void CreateShareCommands();
    void EnableShareCommands();
    // The chosen share's name, trimmed; nothing when no share is chosen.
    std::optional<std::u16string> ChosenShare() const;
    // Writes `line` to the pane as a step's result, then refills the shares
    // with the named one chosen.
    void Finish(const QString& start, const QString& done, const std::u16string& choose);

    std::unique_ptr<netenum::colShareEnum> mShares;
    std::unique_ptr<netenum::colConnectionEnum> mConnections;
    std::unique_ptr<netenum::colSessionEnum> mSessions;
};

}  // namespace shares
