#pragma once
// The Shared Resources window: the chosen server's shares and, for the share
// the administrator clicks, the users connected to it. Selected users can be
// disconnected (their whole session ends) or sent a message. Opened modally
// from the main window's "&Shares".
#include <QDialog>
#include <array>
#include <memory>

#include "netenum/MessageTarget.h"

class QLabel;
class QPushButton;

namespace netenum {
class colConnectionEnum;
class colSessionEnum;
class colShareEnum;
}  // namespace netenum

namespace common {
class ListCommands;
class MessagePane;
class ReportList;
}  // namespace common

namespace shares {

class frmSharedResources final : public QDialog, public netenum::MessageSink {
    Q_OBJECT

public:
    // Opening: caption, message target, the share fill, share 1 selected
    // (its users are not loaded until a share is clicked).
    explicit frmSharedResources(QWidget* parent = nullptr);
    ~frmSharedResources() override;
    frmSharedResources(const frmSharedResources&) = delete;
    frmSharedResources& operator=(const frmSharedResources&) = delete;

    // The System Messages pane as the message target.
    void AppendLine(const std::u16string& line) override;

    // Rebuilds the share list and empties the users list.
    void FillShares();
    // A click on share `row` (display position): lists that share's users.
    void lstvwShares_ItemClick(int row);

    // The controls, under their classic names.
    std::array<QLabel*, 7> lblCaption{};  // indices 0, 1, 2 and 6
    common::ReportList* lstvwShares;
    common::ReportList* lstvwConnectedUsers;
    QLabel* lblConnectedUsers;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command4;
    common::MessagePane* Text1;
    QPushButton* cmdRefresh;
    QPushButton* Command3;
    QPushButton* cmdDisconnect;
    QPushButton* cmdClose;

public slots:
    // Unloading (Close, Esc or the close box): the message target goes back.
    void done(int result) override;

private:
    void CreateControls();
    void cmdRefresh_Click();
    void cmdDisconnect_Click();
    void cmdClose_Click();
    void lstvwConnectedUsers_ItemClick();
    void SelectFirstShare();
    void Unload();
    QString RemoteServer() const;

    std::unique_ptr<netenum::colShareEnum> mShares;
    std::unique_ptr<netenum::colConnectionEnum> mConnections;
    std::unique_ptr<netenum::colSessionEnum> mSessions;
    std::unique_ptr<common::ListCommands> mCommands;
    netenum::MessageSink* mPreviousTarget = nullptr;
    bool mUnloaded = false;
};

// Lets the main window's "&Shares" open this window.
void RegisterSharedResourcesWindow();

}  // namespace shares
