// The main window's controls: each at the place the classic form gave it
// (in twips) with its text, and each one's signal tied to its handler.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include "ComputerList.h"
#include "ComputerTypes.h"
#include "Icons.h"
#include "WindowMessage.h"
#include "frmMain.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Twips.h"

namespace app {
namespace {

using common::PlaceTwips;

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
    mnuComputers->addSeparator();
    mnuFindAll = mnuComputers->addAction(QStringLiteral("Find on All &Computers..."));
    mnuFindAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    // The shortcuts work wherever the focus is in the window, menu shown or not.
    for (QAction* action : {mnuAddComputer, mnuRemoveComputer, mnuFindAll}) {
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

    mComputerList = std::make_unique<ComputerList>(
        ComputerList::Controls{this, cboComputerType, cboComputerName, lblCaption[5], Text1,
                               mnuRemoveComputer, mnuLogOnAs, mnuForgetLogOn},
        [this](int index) { SelectComputerName(index); });

    // Picks by the user; picks made in code call the click handlers themselves.
    connect(cboComputerType, &QComboBox::activated, this, [this] { cboComputerType_Click(); });
    connect(cboComputerName, &QComboBox::activated, this, [this] { cboComputerName_Click(); });
    connect(mnuComputers, &QMenu::aboutToShow, this, [this] { mComputerList->UpdateMenu(); });
    connect(mnuAddComputer, &QAction::triggered, this, [this] { mComputerList->Add(); });
    connect(mnuRemoveComputer, &QAction::triggered, this, [this] { mComputerList->Remove(); });
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
    connect(mnuFindAll, &QAction::triggered, this, [this] { OpenToolWindow(mTools.findAll); });
    connect(cmdUsers, &QToolButton::clicked, this,
            [this] { OpenToolWindow(mTools.userSessions); });
    connect(cmdClose, &QToolButton::clicked, this, [this] { close(); });
    connect(mnuTrayRestore, &QAction::triggered, this,
            [this] { SendWindowMessage(this, WM_SYSCOMMAND, SC_RESTORE, 0); });
    connect(mnuTrayClose, &QAction::triggered, this, [this] { close(); });
}

}  // namespace app
