#pragma once
// The Shared Resources window: the chosen server's shares and, for the share
// the administrator clicks, the users connected to it. Selected users can be
// disconnected (their whole session ends) or sent a message. Opened modally
// from the main window's "&Shares".
#include <array>
#include <memory>

#include "windows/common/ToolWindowBase.h"

class QLabel;
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

protected:
    void FirstFill() override { FillShares(); }

private:
    void CreateControls();
    void cmdDisconnect_Click();

    std::unique_ptr<netenum::colShareEnum> mShares;
    std::unique_ptr<netenum::colConnectionEnum> mConnections;
    std::unique_ptr<netenum::colSessionEnum> mSessions;
};

}  // namespace shares
