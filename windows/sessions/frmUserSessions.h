#pragma once
// The User Sessions window: who holds sessions on the chosen computer and, for
// the clicked session's client computer, the shares it is connected to.
// Sessions can be disconnected, their users' accounts disabled or enabled,
// and the users sent a message. Opened modally from the main window's "&Users".
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "windows/common/ToolWindowBase.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace netenum {
class colConnectionEnum;
class colSessionEnum;
}  // namespace netenum

namespace sessions {

class frmUserSessions final : public common::ToolWindowBase {
    Q_OBJECT

public:
    // Results of one account change.
    static constexpr std::int32_t kAccountChanged = 0;
    static constexpr std::int32_t kAlreadyDisabled = -16;
    static constexpr std::int32_t kAlreadyEnabled = -32;
    static constexpr std::int32_t kGetInfoFailed = -64;
    static constexpr std::int32_t kSetInfoFailed = -128;
    static constexpr std::int32_t kAccessDenied = -256;

    // Loading: caption, message target, the saved find text; once on screen
    // the sessions fill, row 1 selected with the session commands enabled.
    explicit frmUserSessions(common::MainFormLink& main, QWidget* parent = nullptr);
    ~frmUserSessions() override;

    // Rebuilds the sessions list, its count, and the resources of row 1's computer.
    void FillSessions();
    // Rebuilds the resources list for a bare client computer name ("" gives
    // the bare "\\" qualifier).
    void FillSessionResources(const QString& computerName);
    // A click on session `row` (display position).
    void lstvwUserSessions_ItemClick(int row);

    // "\\" in front of a computer name unless it has one; "" stays "".
    static std::u16string MakeUncName(std::u16string_view computerName);

    // The controls, under their classic names.
    common::ReportList* lstvwUserSessions;
    std::array<QLabel*, 2> lblCaption{};  // "Total:", "System Messages"
    QLabel* lblConnectedUsers;
    QPushButton* cmdFind;
    QLineEdit* txtFind;
    QPushButton* cmdHelp;
    common::ReportList* lstvwResources;
    QPushButton* cmdDisconnect;
    QPushButton* cmdDisable;
    QPushButton* cmdEnable;

protected:
    void FirstFill() override { FillSessions(); }

private:
    void CreateControls();
    void cmdDisconnect_Click();
    void AccountRun(bool disable);
    // The client computer of session `row`, from its record, trimmed.
    QString SessionComputer(int row) const;

    // Sets or clears UF_ACCOUNTDISABLE of `userName` on `serverName` (bare or
    // UNC; "" is this computer), every other field written back as read. A
    // domain account is changed on its domain controller, named in *changedOn.
    static std::int32_t SetAccountDisabled(bool disable, const std::u16string& userName,
                                           const std::u16string& serverName,
                                           std::u16string* changedOn = nullptr);

    std::unique_ptr<netenum::colSessionEnum> colSessions;
    std::unique_ptr<netenum::colConnectionEnum> colConnections;
};

}  // namespace sessions
