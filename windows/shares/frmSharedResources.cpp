#include "frmSharedResources.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <exception>
#include <utility>
#include <vector>

#include "netenum/Text.h"
#include "netenum/colConnectionEnum.h"
#include "netenum/colSessionEnum.h"
#include "netenum/colShareEnum.h"
#include "windows/common/ListCommands.h"
#include "windows/common/MainFormLink.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "windows/common/SendMessage.h"
#include "windows/common/Twips.h"
#include "windows/common/WaitCursor.h"

namespace shares {
namespace {

using common::PlaceTwips;

constexpr int kClientWidthTwips = 11505;
constexpr int kClientHeightTwips = 6840;

const QString kRefreshing = QStringLiteral("Refreshing list...\r\n");
const QString kRefreshed = QStringLiteral("List refreshed\r\n");
const QString kDisconnecting = QStringLiteral("Disconnecting users...\r\n");
const QString kDisconnected = QStringLiteral("Users disconnected\r\n");

QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// Blanks only, as the list texts are trimmed everywhere in the program.
std::u16string Trimmed(const QString& text) { return text::TrimSpaces(text.toStdU16String()); }

// A step that fails is skipped and the command goes on with the next one.
template <typename Step>
void SkipOnError(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

QLabel* NewLabel(QWidget* parent, const QString& text, int left, int top, int width, int height,
                 bool bold = false) {
    auto* label = new QLabel(text, parent);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    PlaceTwips(label, left, top, width, height);
    // A caption is never cut short: where this font needs more room, it grows to the right.
    if (label->sizeHint().width() > label->width())
        label->resize(label->sizeHint().width(), label->height());
    return label;
}

QPushButton* NewButton(QWidget* parent, const QString& text, int left, int top, int width,
                       int height) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);  // Enter must not press a button of its own accord
    PlaceTwips(button, left, top, width, height);
    return button;
}

void AddUserColumns(common::ReportList::Rebuild& fill) {
    fill.AddColumn(QStringLiteral("Connected Users"), 0.5);
    fill.AddColumn(QStringLiteral("Time"), 0.16);
    fill.AddColumn(QStringLiteral("In Use"), 0.16);
}

}  // namespace

frmSharedResources::frmSharedResources(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setFixedSize(common::TwipsToPixels(kClientWidthTwips),
                 common::TwipsToPixels(kClientHeightTwips));
    // The layout was drawn for an 8.25 pt window font.
    QFont windowFont = font();
    windowFont.setPointSizeF(8.25);
    setFont(windowFont);
    CreateControls();
    mCommands = std::make_unique<common::ListCommands>(
        lstvwConnectedUsers, std::vector<QWidget*>{Command3, cmdDisconnect});

    if (const QScreen* where = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(where->availableGeometry().center());
        move(frame.topLeft());
    }

    common::MainFormLink* main = common::MainForm();
    SkipOnError([&] {
        setWindowTitle(QStringLiteral("Vantor - Shared Resources on ") +
                       (main != nullptr ? main->ChosenComputer() : QStringLiteral("**LOCAL**")));
    });
    mPreviousTarget = netenum::CurrentForm();
    netenum::SetCurrentForm(this);
    FillShares();
    if (lstvwShares->RowCount() >= 1) SelectFirstShare();
}

frmSharedResources::~frmSharedResources() {
    // Destroyed without an unload: the target must still never be a closed window.
    if (netenum::CurrentForm() == this) {
        common::MainFormLink* main = common::MainForm();
        netenum::SetCurrentForm(main != nullptr ? main->MainMessageTarget() : mPreviousTarget);
    }
}

void frmSharedResources::CreateControls() {
    lblCaption[1] = NewLabel(this, QStringLiteral("Available Shares"), 120, 105, 1800, 195, true);
    lstvwShares = new common::ReportList(this);
    lstvwShares->setSelectionMode(QAbstractItemView::SingleSelection);
    PlaceTwips(lstvwShares, 105, 330, 11250, 1950);

    lblCaption[2] =
        NewLabel(this, QStringLiteral("Users Connected to Share"), 150, 2400, 2490, 195, true);
    lstvwConnectedUsers = new common::ReportList(this);
    PlaceTwips(lstvwConnectedUsers, 105, 2625, 11250, 1950);

    lblCaption[0] = NewLabel(this, QStringLiteral("Total:"), 120, 4680, 405, 195);
    lblConnectedUsers = NewLabel(this, QStringLiteral("0"), 600, 4680, 540, 195);
    lblConnectedUsers->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblConnectedUsers->setLineWidth(1);
    // Captions wider in this font than drawn push the count along, never under it.
    const int gap = common::TwipsToPixels(60);
    if (lblConnectedUsers->x() < lblCaption[0]->geometry().right() + gap)
        lblConnectedUsers->move(lblCaption[0]->geometry().right() + gap, lblConnectedUsers->y());
    Command1 = NewButton(this, QStringLiteral("Select All"), 9240, 4560, 855, 255);
    Command2 = NewButton(this, QStringLiteral("De-select All"), 10200, 4560, 1095, 255);

    lblCaption[6] = NewLabel(this, QStringLiteral("System Messages"), 120, 5040, 1515, 195, true);
    Command4 = NewButton(this, QStringLiteral("Clear"), 4920, 5040, 615, 255);
    Text1 = new common::MessagePane(this);
    PlaceTwips(Text1, 120, 5280, 5385, 855);

    cmdRefresh = NewButton(this, QStringLiteral("&Refresh"), 120, 6360, 900, 375);
    Command3 = NewButton(this, QStringLiteral("&Send Message"), 1200, 6360, 1335, 375);
    Command3->setEnabled(false);
    cmdDisconnect = NewButton(this, QStringLiteral("&Disconnect"), 2760, 6360, 1236, 375);
    cmdDisconnect->setEnabled(false);
    cmdClose = NewButton(this, QStringLiteral("&Close"), 4200, 6360, 1020, 375);

    connect(lstvwShares, &common::ReportList::ItemClick, this,
            [this](int row) { lstvwShares_ItemClick(row); });
    connect(lstvwConnectedUsers, &common::ReportList::ItemClick, this,
            [this] { lstvwConnectedUsers_ItemClick(); });
    common::ListCommands::SortOnHeaderClick(*lstvwShares);
    common::ListCommands::SortOnHeaderClick(*lstvwConnectedUsers);
    connect(cmdRefresh, &QPushButton::clicked, this, [this] { cmdRefresh_Click(); });
    connect(cmdDisconnect, &QPushButton::clicked, this, [this] { cmdDisconnect_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { mCommands->SelectAll(); });
    connect(Command2, &QPushButton::clicked, this, [this] { mCommands->DeselectAll(); });
    connect(Command3, &QPushButton::clicked, this,
            [this] { common::SendMessage::Run(this, *lstvwConnectedUsers, *Text1); });
    connect(Command4, &QPushButton::clicked, this, [this] { Text1->Clear(); });

    // Esc, whatever control has the focus, leaves the way "&Close" does: the
    // main window's summary then shows the sessions this window ended.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { cmdClose->click(); });
}

void frmSharedResources::AppendLine(const std::u16string& line) { Text1->AppendLine(Q(line)); }

QString frmSharedResources::RemoteServer() const {
    common::MainFormLink* main = common::MainForm();
    return main != nullptr ? main->RemoteServer() : QString();
}

void frmSharedResources::FillShares() {
    common::ShowWaitCursor();
    SkipOnError([&] {
        mShares.reset();
        mShares = std::make_unique<netenum::colShareEnum>();
        mShares->Init(RemoteServer().toStdU16String());
    });
    SkipOnError([&] {
        common::ReportList::Rebuild fill(*lstvwShares);
        fill.AddColumn(QStringLiteral("Sharename"), 0.2);
        fill.AddColumn(QStringLiteral("Uses"), 0.04);
        fill.AddColumn(QStringLiteral("Path"), 1.5);  // reaches beyond the visible area
        if (!mShares) return;
        fill.ReserveRows(static_cast<int>(mShares->Count()));
        for (const netenum::clsShareEnum& share : *mShares)
            fill.AddRow({Q(share.ShareName()), QString::number(share.NumCurrConnections()),
                         Q(share.Path())});
    });
    SkipOnError([&] {
        common::ReportList::Rebuild fill(*lstvwConnectedUsers);
        AddUserColumns(fill);
    });
    const bool users = lstvwConnectedUsers->RowCount() >= 1;
    Command1->setEnabled(users);
    Command2->setEnabled(users);
    Command3->setEnabled(false);
    cmdDisconnect->setEnabled(false);
    lblConnectedUsers->setText(QStringLiteral("0"));
    common::ShowNormalCursor();
}

void frmSharedResources::lstvwShares_ItemClick(int row) {
    Command3->setEnabled(false);
    cmdDisconnect->setEnabled(false);
    if (row < 0 || row >= lstvwShares->RowCount()) return;
    const std::u16string shareName = Trimmed(lstvwShares->Text(row));
    SkipOnError([&] {
        mConnections.reset();
        mConnections = std::make_unique<netenum::colConnectionEnum>();
        mConnections->Init(shareName, RemoteServer().toStdU16String());
    });
    long long count = 0;
    SkipOnError([&] {
        common::ReportList::Rebuild fill(*lstvwConnectedUsers);
        AddUserColumns(fill);
        if (!mConnections) return;
        fill.ReserveRows(static_cast<int>(mConnections->Count()));
        for (const netenum::clsConnectionEnum& connection : *mConnections) {
            ++count;
            fill.AddRow(
                {Q(connection.UserName()), Q(connection.ConnectTimeFormatted()),
                 connection.ConnectionType() == 0 ? QStringLiteral("Yes") : QStringLiteral("No")},
                Q(connection.NetName()));
        }
    });
    lblConnectedUsers->setText(QString::number(count));
    const bool users = lstvwConnectedUsers->RowCount() >= 1;
    Command1->setEnabled(users);
    Command2->setEnabled(users);
}

void frmSharedResources::lstvwConnectedUsers_ItemClick() {
    Command3->setEnabled(true);
    cmdDisconnect->setEnabled(true);
}

void frmSharedResources::SelectFirstShare() {
    lstvwShares->EnsureVisible(0);
    lstvwShares->SetCurrentRow(0);
    lstvwShares->SetSelected(0, true);
}

void frmSharedResources::cmdRefresh_Click() {
    Text1->SetText(kRefreshing);
    QCoreApplication::processEvents();
    if (mUnloaded) return;
    FillShares();
    if (Text1->Text() == kRefreshing) {
        Text1->SetText(kRefreshed);
        QCoreApplication::processEvents();
        if (mUnloaded) return;
    }
    if (lstvwShares->RowCount() >= 1) SelectFirstShare();
}

void frmSharedResources::cmdDisconnect_Click() {
    common::ShowWaitCursor();
    // Who to disconnect is read before events run: a click handled there
    // could refill the users list under the loop.
    std::vector<std::pair<std::u16string, std::u16string>> targets;  // client, user
    for (int row : lstvwConnectedUsers->SelectedRows()) {
        std::u16string user = Trimmed(lstvwConnectedUsers->Text(row));
        if (!user.empty())
            targets.emplace_back(Trimmed(lstvwConnectedUsers->Tag(row)), std::move(user));
    }
    Text1->SetText(kDisconnecting);
    QCoreApplication::processEvents();

    SkipOnError([&] {
        mSessions.reset();
        mSessions = std::make_unique<netenum::colSessionEnum>();
        mSessions->Init(RemoteServer().toStdU16String());
    });
    if (mSessions) {
        for (const auto& [client, user] : targets)
            SkipOnError([&] { mSessions->DeleteItem(client, user); });
    }
    if (Text1->Text() == kDisconnecting) {
        Text1->SetText(kDisconnected);
        QCoreApplication::processEvents();
    }
    common::ShowNormalCursor();
    if (!mUnloaded) FillShares();
}

void frmSharedResources::cmdClose_Click() {
    if (common::MainFormLink* main = common::MainForm()) SkipOnError([&] { main->FillGeneral(); });
    done(QDialog::Rejected);
}

void frmSharedResources::Unload() {
    if (mUnloaded) return;
    mUnloaded = true;
    if (netenum::CurrentForm() == this) {
        common::MainFormLink* main = common::MainForm();
        netenum::SetCurrentForm(main != nullptr ? main->MainMessageTarget() : mPreviousTarget);
    }
}

void frmSharedResources::done(int result) {
    Unload();
    QDialog::done(result);
}

void RegisterSharedResourcesWindow() {
    common::RegisterToolWindow(common::ToolWindow::SharedResources, [](QWidget* parent) {
        return std::unique_ptr<QDialog>(std::make_unique<frmSharedResources>(parent));
    });
}

}  // namespace shares
