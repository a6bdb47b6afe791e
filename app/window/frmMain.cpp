#include "frmMain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>

#include "APIStuff.h"
#include "ComputerList.h"
#include "ComputerTypes.h"
#include "GeneralDate.h"
#include "GetRemoteTime.h"
#include "Icons.h"
#include "WindowMessage.h"
#include "about/About.h"
#include "about/Help.h"
#include "logon/CredentialLookup.h"
#include "modMain.h"
#include "netenum/CallControl.h"
#include "netenum/NetCalls.h"
#include "netenum/modAPI_Error.h"
#include "netenum/MessageTarget.h"
#include "netenum/Provider.h"
#include "netenum/netapi.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Product.h"
#include "windows/common/Prompts.h"
#include "windows/common/Settings.h"
#include "windows/common/Twips.h"
#include "windows/common/WaitCursor.h"
#include "windows/common/WindowParts.h"

namespace app {
namespace {

using common::Q;
using common::SkipOnError;

constexpr int kClientWidthTwips = 5535;
constexpr int kClientHeightTwips = 6135;

const QString kGettingInfo = QStringLiteral("Getting computer information...\r\n");
const QString kInfoRetrieved = QStringLiteral("Computer information retrieved\r\n");

QString Title() { return common::ProductName(); }

// A server whose log-on prompt was cancelled is asked about again once the
// administrator picks a computer or opens a window anew.
void AllowLogonPrompts() {
    if (const auto lookup = logon::CurrentLookup()) lookup->AskAgain();
}

}  // namespace

frmMain::frmMain(ToolWindows tools, QWidget* parent)
    : TrayWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                             Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      mTools(std::move(tools)) {
    setWindowTitle(Title());
    setWindowIcon(AppIcon());
    setFixedSize(common::TwipsToPixels(kClientWidthTwips),
                 common::TwipsToPixels(kClientHeightTwips));
    CreateControls();
    PreviewKeys(this);
}

frmMain::~frmMain() {
    mTray.reset();
    if (netenum::CurrentForm() == this) netenum::SetCurrentForm(nullptr);
    // Children die after this object: they must not call back into it.
    for (QWidget* child : findChildren<QWidget*>()) child->removeEventFilter(this);
}

void frmMain::PreviewKeys(QWidget* widget) {
    // Only what lies inside the window: Esc in the tray menu closes the menu,
    // not the program.
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        if (child->window() == this) child->installEventFilter(this);
}

void frmMain::Load() {
    common::ShowWaitCursor();
    mLoading = true;
    mLoadFailures.emplace();
    netenum::SetCurrentForm(this);
    gAppPath = WithTrailingSeparator(QCoreApplication::applicationDirPath());
    cboComputerName->addItem(common::LocalComputer());
    gComputerName = common::LocalComputer();

    // On screen, whole and saying what it waits for, before any call: a
    // computer that does not answer is waited for under a window that paints
    // and answers Esc.
    for (const auto& type : kComputerTypes) cboComputerType->addItem(Q(type.text));
    cboComputerType->setCurrentIndex(-1);
    Text1->SetText(kGettingInfo);
    CenterOnScreen();
    show();
    repaint();
    SkipOnError("filling the summary", [this] {
        // Nobody chose this computer: its summary asks nobody to log on.
        const logon::AskingHeld quiet;
        FillGeneral();
    });
    SkipOnError("choosing the saved computer type", [this] {
        const int saved = cboComputerType->findText(common::GetOption(QStringLiteral("Type")));
        if (saved >= 0) SelectComputerType(saved);
    });
    mLoading = false;
    SkipOnError("choosing the saved computer", [this] {
        const int saved = cboComputerName->findText(common::GetOption(QStringLiteral("Computer")));
        if (saved >= 0) SelectComputerName(saved);
    });

    mTray = std::make_unique<Tray>(this, mnuTray, mTrayArea);
    mTray->SetTip(Title());
    setWindowTitle(Title());
    if (const auto user = GetLocalUserName(); user && mGeneral) {
        StatusBar1->showMessage(QStringLiteral("Machine: ") + Q(mGeneral->LocalComputerName()) +
                                QStringLiteral("   User: ") + Q(*user));
    }
    SizeComboDropDown(this, cboComputerName);
    cboComputerName->setFocus();
    Text1->SetText(QStringLiteral("Welcome to ") + Title() +
                   QStringLiteral("!\r\n\r\nPress the F1 key for help.\r\n"));
    // Below the welcome, which would otherwise replace it.
    if (const std::u16string notice = netapi::ProviderStartupNotice(); !notice.empty())
        Text1->AppendLine(common::Escaped(Q(notice)) + QStringLiteral("\r\n"));
    const QStringList failures = std::move(*mLoadFailures);
    mLoadFailures.reset();
    for (const QString& line : failures) Text1->AppendLine(line);
    common::ShowNormalCursor();
}

void frmMain::FillGeneral() {
    const common::WaitCursor wait;
    // The summary's failure lines belong to this pane, whoever is the message
    // target (a tool window refills it on its way out).
    const netenum::ScopedMessageTarget target(this);
    // A success said for the last fill no longer holds once this one fails.
    const bool saidRetrieved = Text1->Text() == kInfoRetrieved;
    mGeneral = std::make_unique<server::clsGeneral>();
    mGeneral->Init(RemoteServer().toStdU16String());
    if (saidRetrieved && Text1->Text() != kInfoRetrieved && Text1->Text().startsWith(kInfoRetrieved))
        Text1->SetText(Text1->Text().mid(kInfoRetrieved.size()));
    // A count the server did not give is unknown, not 0.
    common::ShowCount(lblSessions, mGeneral->SessionsRead(), mGeneral->NumSessions());
    common::ShowCount(lblFileLocks, mGeneral->FilesRead(), mGeneral->NumFileLocks());
    common::ShowCount(lblOpenFiles, mGeneral->FilesRead(), mGeneral->NumOpenFiles());
    common::ShowCount(lblOpenNamedPipes, mGeneral->FilesRead(), mGeneral->NumOpenPipes());
    ShowComputerDesc();
}

void frmMain::ShowComputerDesc() {
    const std::u16string& desc = mGeneral->ComputerDesc();
    txtComputerDesc->setText(Q(desc));
    // A description that could not be read, or that the box cannot hold whole,
    // cannot be edited: writing the box back would erase or cut the real one.
    txtComputerDesc->setReadOnly(!mGeneral->ComputerDescRead() ||
                                 desc.size() > static_cast<std::size_t>(txtComputerDesc->maxLength()));
}

QString frmMain::RemoteServer() const {
    return gComputerName == QLatin1String(common::kLocalComputer) ? QString() : gComputerName;
}

QString frmMain::ChosenComputer() const { return gComputerName; }

const std::vector<std::u16string>& frmMain::ComputerNames() const { return mComputerList->Names(); }

std::vector<std::u16string> frmMain::ListedComputers() const {
    std::vector<std::u16string> names;
    for (const auto& name : ComputerNames())
        if (!name.empty()) names.push_back(name);
    return names;
}

QDialog* frmMain::ResourcesWindow() const { return mResourcesWindow.data(); }

void frmMain::SetTrayMenuItems(short window_state) {
    if (window_state >= 0 && window_state <= 2) mnuTrayRestore->setEnabled(true);
}

void frmMain::txtComputerDesc_LostFocus() {
    // Only a change the user made is written: passing through the box must not
    // overwrite what another administrator set meanwhile.
    if (!mGeneral || txtComputerDesc->isReadOnly() || !txtComputerDesc->isModified()) return;
    mGeneral->SetComputerDesc(txtComputerDesc->text().toStdU16String());
    ShowComputerDesc();
}

void frmMain::AppendLine(const std::u16string& line) {
    Text1->AppendLine(Q(line));
    if (mLoadFailures) mLoadFailures->push_back(Q(line));
}

void frmMain::SelectComputerType(int index) {
    cboComputerType->setCurrentIndex(index);
    cboComputerType_Click();
}

void frmMain::SelectComputerName(int index) {
    cboComputerName->setCurrentIndex(index);
    cboComputerName_Click();
}

void frmMain::cboComputerType_Click() { mComputerList->ListOfType(QString()); }

void frmMain::LogOnAs() {
    if (!netapi::NetworkLogsOn()) return;
    AllowLogonPrompts();
    const std::u16string server = RemoteServer().toStdU16String();
    netapi::RetryComputer(server.c_str());
    const QString logging = QStringLiteral("Logging on to ") + gComputerName + QStringLiteral("...\r\n");
    common::BeginStatusLine(*Text1, logging);
    const netapi::NET_API_STATUS status = netapi::NetLogOnAs(server.c_str());
    if (status != netapi::NERR_Success) {
        Text1->AppendLine(Q(netenum::FailureLine(u"Log On As", status) +
                            netenum::TimeoutWords(server, status)));
        return;
    }
    // Logged on: the summary as the new account sees it.
    common::BeginStatusLine(*Text1, kGettingInfo);
    FillGeneral();
    common::EndStatusLine(*Text1, kGettingInfo, kInfoRetrieved);
}

void frmMain::ForgetLogOn() {
    if (!netapi::NetworkLogsOn()) return;
    netapi::NetForgetLogOn(RemoteServer().toStdU16String().c_str());
    Text1->AppendLine(QStringLiteral("The log-on to ") + gComputerName +
                      QStringLiteral(" is forgotten, here and in the keyring.\r\n"));
}

void frmMain::cboComputerName_Click() {
    if (mLoading) return;
    AllowLogonPrompts();
    // While the new computer is asked, the last one's figures are not shown
    // under its name.
    for (QLabel* count : {lblSessions, lblFileLocks, lblOpenFiles, lblOpenNamedPipes}) count->clear();
    txtComputerDesc->clear();
    txtComputerDesc->setReadOnly(true);
    common::BeginStatusLine(*Text1, kGettingInfo);
    gComputerName = cboComputerName->currentText();
    netapi::RetryComputer(RemoteServer().toStdU16String().c_str());
    FillGeneral();
    common::EndStatusLine(*Text1, kGettingInfo, kInfoRetrieved);
}

void frmMain::Command2_Click() {
    common::ShowWaitCursor();
    const QString server = gComputerName == QLatin1String(common::kLocalComputer)
                               ? QString()
                               : QStringLiteral("\\\\") + gComputerName;
    const auto time = GetRemoteTime(server.toStdU16String());
    const QString text = time ? FormatGeneralDate(*time, QLocale()) : QStringLiteral("N/A");
    common::ShowNormalCursor();
    common::CurrentPrompts().MessageBox(this, text, gComputerName, common::Prompts::Icon::None);
}

void frmMain::Command3_Click() {
    about::About box(gAppPath, this);
    box.exec();
}

void frmMain::cmdInUse_Click() {
    AllowLogonPrompts();
    if (!mTools.resources) return;
    {
        // The window exists before this one hides, and fills once it is on
        // screen: one of the two is always there.
        std::unique_ptr<QDialog> window = mTools.resources(*this, this);
        if (!window) return;
        mResourcesWindow = window.get();
        hide();
        window->exec();
        mResourcesWindow = nullptr;
    }
    show();
}

void frmMain::OpenToolWindow(const ToolWindowFactory& factory) {
    AllowLogonPrompts();
    if (!factory) return;
    if (std::unique_ptr<QDialog> window = factory(*this, this)) window->exec();
}

void frmMain::CenterOnScreen() {
    const QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (where == nullptr) return;
    QRect frame = frameGeometry();
    frame.moveCenter(where->availableGeometry().center());
    move(frame.topLeft());
}

bool frmMain::event(QEvent* event) {
    // What reaches the window's own handling of a window message: the default
    // reactions to the system commands; everything else is ignored.
    if (event->type() == WindowMessageEvent::EventType()) {
        const auto* message = static_cast<const WindowMessageEvent*>(event);
        if (message->msg() == WM_SYSCOMMAND && message->wParam() == SC_RESTORE &&
            (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
            setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        else if (message->msg() == WM_SYSCOMMAND && message->wParam() == SC_MINIMIZE)
            showMinimized();
        return true;
    }
    return QWidget::event(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        constexpr Qt::KeyboardModifiers kShiftCtrlAlt =
            Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
        if (key->key() == Qt::Key_F1 && !(key->modifiers() & kShiftCtrlAlt)) {
            if (const QString problem = about::OpenHelpFile(gAppPath, this); !problem.isEmpty())
                Text1->AppendLine(problem + QStringLiteral("\r\n"));
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
    } else if (event->type() == QEvent::Wheel &&
               (watched == cboComputerType || watched == cboComputerName)) {
        // Turning the wheel over a closed list would pick another computer
        // (and call it) without a click; only a deliberate choice may.
        return true;
    } else if (event->type() == QEvent::FocusOut && watched == txtComputerDesc) {
        // Leaving the box for another control; switching applications or
        // opening a popup is not leaving it.
        const auto reason = static_cast<const QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            SkipOnError("saving the description", [this] { txtComputerDesc_LostFocus(); });
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    SkipOnError("refilling the summary", [this] { FillGeneral(); });
}

void frmMain::closeEvent(QCloseEvent* event) {
    common::SaveOption(QStringLiteral("Type"), cboComputerType->currentText());
    common::SaveOption(QStringLiteral("Computer"), cboComputerName->currentText());
    mTray.reset();
    event->accept();
    if (mQuitOnClose) QCoreApplication::quit();
}

void SizeComboDropDown(QWidget* window, QComboBox* combo) {
    // A list that drops below the box (some styles lay the popup over it
    // instead and ignore the number of rows).
    combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    const int listHeight = window->height() - combo->y() - 5 - combo->height();
    const int rowHeight = std::max(1, combo->view()->sizeHintForRow(0) > 0
                                          ? combo->view()->sizeHintForRow(0)
                                          : combo->fontMetrics().height() + 4);
    // The popup adds its frame around the rows.
    combo->setMaxVisibleItems(std::max(1, (listHeight - 4) / rowHeight));
}

}  // namespace app
