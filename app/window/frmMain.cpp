#include "frmMain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>

#include "APIStuff.h"
#include "ComputerName.h"
#include "ComputerTypes.h"
#include "SavedServers.h"
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
#include "text/Text.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Product.h"
#include "windows/common/Prompts.h"
#include "windows/common/Settings.h"
#include "windows/common/Twips.h"
#include "windows/common/WaitCursor.h"
#include "windows/common/WindowParts.h"

namespace app {
namespace {

using common::PlaceTwips;
using common::Q;
using common::SkipOnError;

constexpr int kClientWidthTwips = 5535;
constexpr int kClientHeightTwips = 6135;

const QString kGettingInfo = QStringLiteral("Getting computer information...\r\n");
const QString kInfoRetrieved = QStringLiteral("Computer information retrieved\r\n");

QString Title() { return common::ProductName(); }

// Asked when a name to add leads nowhere (yet): a typing mistake is likelier
// than a computer that is still to come.
QString NotFoundQuestion(const QString& name, netapi::NET_API_STATUS why) {
    const QString head = why == netapi::WSAHOST_NOT_FOUND
                             ? QStringLiteral("No computer named \"") + name +
                                   QStringLiteral("\" was found (the name does not resolve).")
                             : QStringLiteral("\"") + name +
                                   QStringLiteral("\" could not be looked up: ") +
                                   Q(netenum::GetErrorText(why)).trimmed();
    return head + QStringLiteral("\n\nAdd it anyway?");
}

// A server whose log-on prompt was cancelled is asked about again once the
// administrator picks a computer or opens a window anew.
void AllowLogonPrompts() {
    if (const auto lookup = logon::CurrentLookup()) lookup->AskAgain();
}

QLabel* NewLabel(QWidget* parent, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    PlaceTwips(label, left, top);
    return label;
}

// The value labels of one column of the summary sit at their place unless the
// captions in front of them are wider in the font at hand; then they move right.
void PlaceValueColumn(QLabel* topCaption, QLabel* bottomCaption, QLabel* topValue,
                      QLabel* bottomValue, int leftTwips, int columnEndTwips) {
    const int captionsEnd =
        topCaption->x() + std::max(topCaption->width(), bottomCaption->width()) + 4;
    const int left = std::max(common::TwipsToPixels(leftTwips), captionsEnd);
    const int width = common::TwipsToPixels(columnEndTwips) - 12 - left;
    topValue->setGeometry(left, topCaption->y(), width, topCaption->height());
    bottomValue->setGeometry(left, bottomCaption->y(), width, bottomCaption->height());
}

QToolButton* NewPictureButton(QWidget* parent, const QString& text, const QIcon& icon,
                              int left) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setIcon(icon);
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // Clicking takes the focus, as a command button's click does, so that a
    // pending description edit is written first.
    button->setFocusPolicy(Qt::StrongFocus);
    PlaceTwips(button, left, 4680, 912, 945);
    return button;
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

void frmMain::CreateControls() {
    Frame1 = new QGroupBox(QStringLiteral("Usage Summary"), this);
    PlaceTwips(Frame1, 120, 120, 5340, 984);
    lblCaption[1] = NewLabel(Frame1, QStringLiteral("Sessions:"), 240, 330);
    lblCaption[0] = NewLabel(Frame1, QStringLiteral("File Locks:"), 240, 615);
    lblCaption[2] = NewLabel(Frame1, QStringLiteral("Open Files:"), 2040, 330);
    lblCaption[3] = NewLabel(Frame1, QStringLiteral("Open Named Pipes:"), 2040, 615);
    lblSessions = new QLabel(Frame1);
    lblFileLocks = new QLabel(Frame1);
    lblOpenFiles = new QLabel(Frame1);
    lblOpenNamedPipes = new QLabel(Frame1);
    PlaceValueColumn(lblCaption[1], lblCaption[0], lblSessions, lblFileLocks, 1080, 2040);
    PlaceValueColumn(lblCaption[2], lblCaption[3], lblOpenFiles, lblOpenNamedPipes, 3480, 5340);

    lblCaption[7] = NewLabel(this, QStringLiteral("Computer Type"), 135, 1200);
    cboComputerType = new QComboBox(this);
    PlaceTwips(cboComputerType, 120, 1440, 5340, 315);
    // Drops below the box like the computer list, all eleven types at once.
    cboComputerType->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    cboComputerType->setMaxVisibleItems(static_cast<int>(kComputerTypes.size()));

    lblCaption[5] = NewLabel(this, QStringLiteral("Computer Name"), 120, 1920);
    Command2 = new QPushButton(QStringLiteral("&Get Date/Time"), this);
    PlaceTwips(Command2, 4080, 1920, 1335, 255);
    cmdComputers = new QToolButton(this);
    cmdComputers->setText(QStringLiteral("Co&mputers"));
    cmdComputers->setToolTip(QStringLiteral(" Add or remove a computer by name or address "));
    cmdComputers->setFocusPolicy(Qt::StrongFocus);
    cmdComputers->setPopupMode(QToolButton::InstantPopup);
    PlaceTwips(cmdComputers, 2700, 1920, 1290, 255);
    cboComputerName = new QComboBox(this);
    PlaceTwips(cboComputerName, 108, 2160, 5340, 315);
    mnuComputers = new QMenu(QStringLiteral("Computers"), this);
    mnuAddComputer = mnuComputers->addAction(QStringLiteral("&Add Computer..."));
    mnuAddComputer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuRemoveComputer = mnuComputers->addAction(QStringLiteral("&Remove Computer"));
    mnuRemoveComputer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    mnuComputers->addSeparator();
    mnuLogOnAs = mnuComputers->addAction(QStringLiteral("Log On &As..."));
    mnuForgetLogOn = mnuComputers->addAction(QStringLiteral("&Forget Log-On"));
    // The shortcuts work wherever the focus is in the window, menu shown or not.
    for (QAction* action : {mnuAddComputer, mnuRemoveComputer}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    cmdComputers->setMenu(mnuComputers);
    cboComputerName->setContextMenuPolicy(Qt::CustomContextMenu);

    lblCaption[4] = NewLabel(this, QStringLiteral("Description"), 120, 2640);
    txtComputerDesc = new QLineEdit(this);
    PlaceTwips(txtComputerDesc, 120, 2880, 5265, 300);

    lblCaption[6] = NewLabel(this, QStringLiteral("System Messages"), 120, 3360);
    Command1 = new QPushButton(QStringLiteral("Clear"), this);
    Command1->setToolTip(QStringLiteral(" Clear system messages "));
    PlaceTwips(Command1, 4800, 3360, 615, 255);
    Text1 = new common::MessagePane(this);
    PlaceTwips(Text1, 120, 3600, 5295, 855);

    cmdUsers = NewPictureButton(this, QStringLiteral("&Users"), UsersIcon(), 120);
    cmdShares = NewPictureButton(this, QStringLiteral("&Shares"), SharesIcon(), 1200);
    cmdInUse = NewPictureButton(this, QStringLiteral("&In Use"), InUseIcon(), 2280);
    Command3 = NewPictureButton(this, QStringLiteral("&About"), AboutIcon(), 3360);
    cmdClose = NewPictureButton(this, QStringLiteral("E&xit"), ExitIcon(), 4440);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    const int barHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, height() - barHeight, width(), barHeight);

    mnuTray = new QMenu(QStringLiteral("Popup"), this);
    mnuTrayRestore = mnuTray->addAction(QStringLiteral("Restore"));
    mnuTrayClose = mnuTray->addAction(QStringLiteral("Close"));

    // Picks by the user; picks made in code call the click handlers themselves.
    connect(cboComputerType, &QComboBox::activated, this, [this] { cboComputerType_Click(); });
    connect(cboComputerName, &QComboBox::activated, this, [this] { cboComputerName_Click(); });
    connect(mnuComputers, &QMenu::aboutToShow, this, [this] { UpdateComputerMenu(); });
    connect(mnuAddComputer, &QAction::triggered, this, [this] { AddComputer(); });
    connect(mnuRemoveComputer, &QAction::triggered, this, [this] { RemoveComputer(); });
    connect(mnuLogOnAs, &QAction::triggered, this, [this] { LogOnAs(); });
    connect(mnuForgetLogOn, &QAction::triggered, this, [this] { ForgetLogOn(); });
    connect(cboComputerName, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        mnuComputers->popup(cboComputerName->mapToGlobal(at));
    });
    connect(Command1, &QPushButton::clicked, this, [this] { Text1->Clear(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QToolButton::clicked, this, [this] { Command3_Click(); });
    connect(cmdInUse, &QToolButton::clicked, this, [this] { cmdInUse_Click(); });
    connect(cmdShares, &QToolButton::clicked, this,
            [this] { OpenToolWindow(mTools.sharedResources); });
    connect(cmdUsers, &QToolButton::clicked, this,
            [this] { OpenToolWindow(mTools.userSessions); });
    connect(cmdClose, &QToolButton::clicked, this, [this] { close(); });
    connect(mnuTrayRestore, &QAction::triggered, this,
            [this] { SendWindowMessage(this, WM_SYSCOMMAND, SC_RESTORE, 0); });
    connect(mnuTrayClose, &QAction::triggered, this, [this] { close(); });
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

void frmMain::cboComputerType_Click() { ListComputersOfType(QString()); }

void frmMain::ListComputersOfType(const QString& choose) {
    common::ShowWaitCursor();
    netapi::RetryAllComputers();
    // The list on show stays while the network answers: a listing given up
    // leaves it, its label and the type it belongs to as they were.
    const std::vector<std::u16string> before = mComputerNames;
    const int code = ListComputers();
    if (code == static_cast<int>(netapi::ERROR_CANCELLED)) {
        mComputerNames = before;
        cboComputerType->setCurrentIndex(mListedType);
        Text1->AppendLine(Q(netenum::FailureLine(u"NetServerEnum", netapi::ERROR_CANCELLED)));
        common::ShowNormalCursor();
        return;
    }
    mListedType = cboComputerType->currentIndex();
    cboComputerName->clear();
    if (code != 0) {
        common::CurrentPrompts().MessageBox(
            this, QStringLiteral("Error: ") + Q(netenum::GetErrorText(static_cast<std::uint32_t>(code))),
            Title(), common::Prompts::Icon::Exclamation);
    } else {
        for (const auto& name : mComputerNames)
            if (!name.empty()) cboComputerName->addItem(Q(name));
        if (cboComputerName->count() > 0) {
            lblCaption[5]->setText(QString::number(mComputerNames.size() - 1) +
                                   QStringLiteral(" Computer Names"));
            lblCaption[5]->adjustSize();
            const int chosen = choose.isEmpty() ? -1 : cboComputerName->findText(choose, Qt::MatchFixedString);
            SelectComputerName(std::max(chosen, 0));
        } else {
            lblCaption[5]->setText(QStringLiteral("0 Computer Names"));
            lblCaption[5]->adjustSize();
            cboComputerName->setCurrentIndex(-1);
        }
    }
    common::ShowNormalCursor();
}

int frmMain::ListComputers() {
    const std::uint32_t mask = MaskOfComputerType(cboComputerType->currentText().toStdU16String());
    mComputerNames.assign(1, std::u16string());
    const netenum::ServerListing servers = netenum::EnumServerNames(mask);
    if (servers.status != netapi::NERR_Success) return static_cast<int>(servers.status);
    if (servers.total > 0) {
        // One entry more than the claimed total; those the answer lacks stay empty.
        mComputerNames.resize(static_cast<std::size_t>(servers.total) + 1);
        std::copy(servers.names.begin(), servers.names.end(), mComputerNames.begin());
    }
    AddSavedComputers();
    return 0;
}

void frmMain::AddSavedComputers() {
    for (const QString& saved : SavedServers()) {
        const std::u16string name = saved.toStdU16String();
        const bool listed = std::any_of(mComputerNames.begin(), mComputerNames.end(),
                                        [&](const std::u16string& listedName) {
                                            return text::EqualsIgnoreCase(listedName, name);
                                        });
        if (!listed) mComputerNames.insert(mComputerNames.end() - 1, name);
    }
}

void frmMain::UpdateComputerMenu() {
    const QString current = cboComputerName->currentText();
    const bool removable = !current.isEmpty() && IsSavedServer(current);
    mnuRemoveComputer->setText(removable ? QStringLiteral("&Remove ") + current
                                         : QStringLiteral("&Remove Computer"));
    mnuRemoveComputer->setEnabled(removable);
    // The log-on belongs to the computer chosen, whose summary is on show.
    const bool logsOn = netapi::NetworkLogsOn();
    mnuLogOnAs->setEnabled(logsOn);
    mnuForgetLogOn->setEnabled(logsOn);
    // A found computer's name may hold "&", which is no access key here.
    const QString chosen = QString(gComputerName).replace(QLatin1Char('&'), QStringLiteral("&&"));
    mnuLogOnAs->setText(QStringLiteral("Log On to ") + chosen + QStringLiteral(" &As..."));
    mnuForgetLogOn->setText(QStringLiteral("&Forget Log-On to ") + chosen);
}

void frmMain::AddComputer() {
    QString typed;
    for (;;) {
        typed = common::CurrentPrompts().InputBox(
            this,
            QStringLiteral("Name or address of the computer to add (host name, full DNS name, "
                           "IPv4 or IPv6 address):"),
            QStringLiteral("Add Computer"), typed);
        if (typed.trimmed().isEmpty()) return;  // cancelled
        const ComputerNameCheck check = CheckComputerName(typed.toStdU16String());
        if (check.ok()) {
            const QString name = Q(check.name);
            // Whether the name leads anywhere is said now, not on some later listing.
            const netapi::NET_API_STATUS found = netapi::NetResolveComputer(check.name.c_str());
            if (found == netapi::ERROR_CANCELLED) continue;
            if (found != netapi::NERR_Success &&
                !common::CurrentPrompts().YesNo(this, NotFoundQuestion(name, found), Title(),
                                                common::Prompts::Icon::Question, false))
                continue;
            AddSavedServer(name);
            RefreshComputerList(name);
            return;
        }
        // Said, then the box comes back with the text to correct.
        common::CurrentPrompts().MessageBox(this, Q(check.problem), Title(),
                                            common::Prompts::Icon::Exclamation);
    }
}

void frmMain::RemoveComputer() {
    const QString current = cboComputerName->currentText();
    if (current.isEmpty() || !IsSavedServer(current)) return;
    if (!common::CurrentPrompts().YesNo(
            this, QStringLiteral("Remove ") + current + QStringLiteral(" from the computer list?"),
            Title(), common::Prompts::Icon::Question, false))
        return;
    RemoveSavedServer(current);
    RefreshComputerList(QString());
}

void frmMain::RefreshComputerList(const QString& select) {
    if (cboComputerType->currentIndex() < 0) {
        const int all = cboComputerType->findText(QStringLiteral("All Servers"));
        if (all < 0) return;
        cboComputerType->setCurrentIndex(all);
    }
    ListComputersOfType(select);
}

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
