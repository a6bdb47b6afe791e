#pragma once
// The main window: the usage summary of the chosen computer, its description,
// the computer lists, the System Messages pane and the buttons that open the
// tool windows. It is the program's spine: closing it ends the program.
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "APIStuff.h"
#include "netenum/MessageTarget.h"
#include "server/clsGeneral.h"
#include "windows/common/MainFormLink.h"

class QAction;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace common {
class MessagePane;
}

namespace app {

class ComputerList;

// Makes a tool window for the main window `main`, parented to `parent`.
using ToolWindowFactory =
    std::function<std::unique_ptr<QDialog>(common::MainFormLink& main, QWidget* parent)>;
// The tool windows the main window opens modally from its buttons, as the
// start procedure gives them; a button without a factory does nothing.
struct ToolWindows {
    ToolWindowFactory resources{};        // "&In Use"
    ToolWindowFactory sharedResources{};  // "&Shares"
    ToolWindowFactory userSessions{};     // "&Users"
    ToolWindowFactory findAll{};          // "Find on All Computers" (Ctrl+F)
};

class frmMain final : public TrayWindow, public netenum::MessageSink, public common::MainFormLink {
    Q_OBJECT

public:
    explicit frmMain(ToolWindows tools = {}, QWidget* parent = nullptr);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // The interactive load: message target, local summary, shown, the saved
    // type and computer restored, tray icon, status bar, welcome text.
    void Load();

    // Refills the usage summary and the description for the chosen computer.
    void FillGeneral() override;
    // Empty for "**LOCAL**", otherwise the chosen name unchanged.
    QString RemoteServer() const override;
    QString ChosenComputer() const override;
    netenum::MessageSink* MainMessageTarget() override { return this; }
    std::vector<std::u16string> ListedComputers() const override;

    // Keeps the tray menu's "Restore" available for the states 0, 1 and 2.
    void SetTrayMenuItems(short window_state) override;
    // Whether the desktop has a notification area, asked by the tray icon
    // (QSystemTrayIcon's answer unless set before Load).
    void SetTrayAreaProbe(std::function<bool()> areaAvailable) {
        mTrayArea = std::move(areaAvailable);
    }
    // The tray icon from Load until the window closes; null otherwise.
    Tray* tray() const { return mTray.get(); }
    // Writes the description to the computer, when the user changed it, and
    // shows what it holds after.
    void txtComputerDesc_LostFocus();

    // The System Messages pane as the message target.
    void AppendLine(const std::u16string& line) override;

    // The Open Resources window while it is open, else null.
    QDialog* ResourcesWindow() const override;
    bool IsLoading() const { return mLoading; }
    // Closing the window ends the program (also when it closes from the tray).
    void SetQuitOnClose(bool quit) { mQuitOnClose = quit; }
    // The computer list's names, one empty entry after them.
    const std::vector<std::u16string>& ComputerNames() const;

    // The controls, under their classic names.
    QGroupBox* Frame1;
    std::array<QLabel*, 8> lblCaption{};
    QLabel* lblSessions;
    QLabel* lblFileLocks;
    QLabel* lblOpenFiles;
    QLabel* lblOpenNamedPipes;
    QComboBox* cboComputerType;
    QPushButton* Command2;
    // Adding and removing computers by name: a button beside "Computer Name",
    // the same menu as the computer list's context menu, Ctrl+N and Ctrl+Del.
    QToolButton* cmdComputers;
    QMenu* mnuComputers;
    QAction* mnuAddComputer;
    QAction* mnuRemoveComputer;
    // Logging on to the chosen computer with another account, and dropping
    // the account it is logged on with (on networks that log on at all).
    QAction* mnuLogOnAs;
    QAction* mnuForgetLogOn;
    // "Find on All Computers...", Ctrl+F: the computer list's computers at once.
    QAction* mnuFindAll;
    QComboBox* cboComputerName;
    QLineEdit* txtComputerDesc;
    QPushButton* Command1;
    common::MessagePane* Text1;
    QToolButton* cmdUsers;
    QToolButton* cmdShares;
    QToolButton* cmdInUse;
    QToolButton* Command3;
    QToolButton* cmdClose;
    QStatusBar* StatusBar1;
    QMenu* mnuTray;
    QAction* mnuTrayRestore;
    QAction* mnuTrayClose;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The summary's description in its box, editable only when it may be written back.
    void ShowComputerDesc();
    // The controls and what their signals call (frmMainControls.cpp).
    void CreateControls();
    void cboComputerType_Click();
    void cboComputerName_Click();
    void Command2_Click();
    void Command3_Click();
    void cmdInUse_Click();
    void OpenToolWindow(const ToolWindowFactory& factory);
    void LogOnAs();
    void ForgetLogOn();
    void SelectComputerType(int index);
    void SelectComputerName(int index);
    void CenterOnScreen();
    void PreviewKeys(QWidget* widget);

    const ToolWindows mTools;
    bool mLoading = false;
    // Failure lines that come while loading: the welcome replaces the pane's
    // text, and they are shown again below it.
    std::optional<QStringList> mLoadFailures;
    bool mQuitOnClose = false;
    std::unique_ptr<server::clsGeneral> mGeneral;
    std::function<bool()> mTrayArea;
    std::unique_ptr<Tray> mTray;
    std::unique_ptr<ComputerList> mComputerList;
    QPointer<QDialog> mResourcesWindow;
};

// A combo box's drop-down reaches down to 5 pixels above the window's bottom.
void SizeComboDropDown(QWidget* window, QComboBox* combo);

}  // namespace app
