#include "ToolWindowBase.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "MainFormLink.h"
#include "netenum/CallControl.h"
#include "MessagePane.h"
#include "Product.h"
#include "ReportList.h"
#include "SendMessage.h"
#include "Settings.h"
#include "Twips.h"
#include "WaitCursor.h"
#include "WindowParts.h"
#include "netenum/colSessionEnum.h"

namespace common {
namespace {

const QString kReading = QStringLiteral("Reading list...\r\n");
const QString kRefreshing = QStringLiteral("Refreshing list...\r\n");
const QString kRefreshed = QStringLiteral("List refreshed\r\n");
const QString kDisconnecting = QStringLiteral("Disconnecting users...\r\n");
const QString kDisconnected = QStringLiteral("Users disconnected\r\n");

constexpr int kCommandHeightTwips = 375;

}  // namespace

ToolWindowBase::ToolWindowBase(MainFormLink& main, QWidget* parent, const Frame& frame)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      mMain(main) {
    setFixedSize(TwipsToPixels(frame.widthTwips), TwipsToPixels(frame.heightTwips));
    // The layouts were drawn for an 8.25 pt window font; a larger default
    // would cut the captions short.
    QFont windowFont = font();
    windowFont.setPointSizeF(8.25);
    setFont(windowFont);

    // Centred on the screen, not over the (hidden) main window.
    if (const QScreen* where = QGuiApplication::primaryScreen()) {
        QRect place(QPoint(), size());
        place.moveCenter(where->availableGeometry().center());
        move(place.topLeft());
    }

    setWindowTitle(ProductName() + QStringLiteral(" - ") + frame.what + QStringLiteral(" on ") +
                   mMain.ChosenComputer());
    netenum::SetCurrentForm(this);
}

ToolWindowBase::~ToolWindowBase() { GiveBackMessageTarget(); }

void ToolWindowBase::GiveBackMessageTarget() {
    if (netenum::CurrentForm() == this) netenum::SetCurrentForm(mMain.MainMessageTarget());
}

void ToolWindowBase::AppendLine(const std::u16string& line) {
    if (Text1 != nullptr) Text1->AppendLine(Q(line));
}

ReportList* ToolWindowBase::AddList(int left, int top, int width, int height) {
    auto* list = new ReportList(this);
    PlaceTwips(list, left, top, width, height);
    ListCommands::SortOnHeaderClick(*list);
    return list;
}

void ToolWindowBase::AddSelectButtons(int left, int top) {
    Command1 = NewButton(this, QStringLiteral("Select All"), left, top, 855, 255);
    Command2 = NewButton(this, QStringLiteral("De-select All"), left + 960, top, 1095, 255);
}

QLabel* ToolWindowBase::AddSystemMessages(int top, int clearLeft, int paneWidth) {
    QLabel* caption = NewLabel(this, QStringLiteral("System Messages"), 120, top, 1515, 195, true);
    Command4 = NewButton(this, QStringLiteral("Clear"), clearLeft, top, 615, 255);
    Text1 = new MessagePane(this);
    PlaceTwips(Text1, 120, top + 240, paneWidth, 855);
    connect(Command4, &QPushButton::clicked, this, [this] { Text1->Clear(); });
    return caption;
}

void ToolWindowBase::AddListCommands(ReportList* list) {
    mCommands = std::make_unique<ListCommands>(list, mRowCommands);
    connect(Command1, &QPushButton::clicked, this, [this] { mCommands->SelectAll(); });
    connect(Command2, &QPushButton::clicked, this, [this] { mCommands->DeselectAll(); });
    connect(Command3, &QPushButton::clicked, this,
            [this, list] { SendMessage::Run(this, *list, *Text1, RemoteServer()); });
}

std::tuple<QPushButton*, QLineEdit*, QPushButton*> ToolWindowBase::AddFind(
    const QString& caption, int left, int top, ListCommands::FindSettings settings,
    const QString& optionKey) {
    QPushButton* find = NewButton(this, caption, left, top, 975, 255);
    mFindText = new QLineEdit(this);
    PlaceTwips(mFindText, left + 960, top, 2775, 285);
    QPushButton* help = NewButton(this, QStringLiteral("?"), left + 3720, top, 255, 255);
    mFindKey = optionKey;
    // The list commands exist by the time a button can be pressed.
    connect(find, &QPushButton::clicked, this,
            [this, settings] { mCommands->Find(this, mFindText->text(), settings); });
    connect(help, &QPushButton::clicked, this,
            [this, settings] { ListCommands::Help(this, settings); });
    mFindText->setText(GetOption(mFindKey));
    return {find, mFindText, help};
}

void ToolWindowBase::OnEscape(std::function<void()> action) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, std::move(action));
}

std::vector<QPushButton*> ToolWindowBase::AddCommandBar(int top, std::function<void()> refresh,
                                                       std::vector<Command> own, int closeLeft) {
    cmdRefresh = NewButton(this, QStringLiteral("&Refresh"), 120, top, 900, kCommandHeightTwips);
    Command3 =
        NewButton(this, QStringLiteral("&Send Message"), 1200, top, 1335, kCommandHeightTwips);
    mRowCommands = {Command3};
    std::vector<QPushButton*> buttons;
    for (Command& command : own) {
        QPushButton* button =
            NewButton(this, command.caption, command.left, top, command.width, kCommandHeightTwips);
        connect(button, &QPushButton::clicked, this, std::move(command.run));
        buttons.push_back(button);
        mRowCommands.push_back(button);
    }
    EnableRowCommands(false);
    cmdClose = NewButton(this, QStringLiteral("&Close"), closeLeft, top, 1020, kCommandHeightTwips);
    // A person pressing Refresh means "try now", even a computer that was down.
    connect(cmdRefresh, &QPushButton::clicked, this, [this, refresh = std::move(refresh)] {
        RetryComputerNow();
        refresh();
    });
    connect(cmdClose, &QPushButton::clicked, this, [this] { CloseAndRefillMain(); });
    return buttons;
}

void ToolWindowBase::EnableRowCommands(bool enabled) {
    for (QWidget* command : mRowCommands) command->setEnabled(enabled);
}

void ToolWindowBase::ListFilled(bool anyRows) {
    Command1->setEnabled(anyRows);
    Command2->setEnabled(anyRows);
    EnableRowCommands(false);
}

void ToolWindowBase::FillFirst() {
    if (mFilled || mUnloaded) return;
    mFilled = true;
    // Said while the server is asked; gone again once it answered, unless
    // something was written under it.
    BeginStatusLine(*Text1, kReading);
    if (mUnloaded) return;
    FirstFill();
    EndStatusLine(*Text1, kReading, QString());
    if (!mUnloaded) SelectFirstRow();
}

void ToolWindowBase::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // After the show has been handled: the window is up before the wait starts.
    if (!mFilled)
        QMetaObject::invokeMethod(this, [this] { FillFirst(); }, Qt::QueuedConnection);
}

void ToolWindowBase::SetFirstRowList(ReportList* list, bool rowCommands) {
    mFirstRowList = list;
    mFirstRowCommands = rowCommands;
}

void ToolWindowBase::SelectFirstRow() {
    if (mFirstRowList == nullptr || mFirstRowList->RowCount() < 1) return;
    if (mFirstRowCommands) EnableRowCommands(true);
    mFirstRowList->EnsureVisible(0);
    mFirstRowList->SetCurrentRow(0);
    mFirstRowList->SetSelected(0, true);
}

void ToolWindowBase::RefreshList(const std::function<void()>& fill,
                                 const std::function<void()>& filled) {
    BeginStatusLine(*Text1, kRefreshing);
    if (mUnloaded) return;
    fill();
    EndStatusLine(*Text1, kRefreshing, kRefreshed);
    if (mUnloaded) return;
    if (filled) filled();
    SelectFirstRow();
}

void ToolWindowBase::DisconnectSessions(const std::vector<SessionKey>& targets,
                                        const std::function<netenum::colSessionEnum*()>& sessions,
                                        const std::function<void()>& refill) {
    ShowWaitCursor();
    BeginStatusLine(*Text1, kDisconnecting);
    if (netenum::colSessionEnum* ender = sessions()) {
        for (const SessionKey& target : targets)
            SkipOnError("ending a session", [&] { ender->DeleteItem(target.client, target.user); });
    }
    EndStatusLine(*Text1, kDisconnecting, kDisconnected);
    ShowNormalCursor();
    if (!mUnloaded) refill();
}

void ToolWindowBase::CloseAndRefillMain() {
    SkipOnError("refilling the main window", [this] { mMain.FillGeneral(); });
    done(QDialog::Rejected);
}

void ToolWindowBase::RetryComputerNow() const {
    netapi::RetryComputer(RemoteServer().toStdU16String().c_str());
}

QString ToolWindowBase::RemoteServer() const { return mMain.RemoteServer(); }

void ToolWindowBase::done(int result) {
    if (!mUnloaded) {
        mUnloaded = true;
        Unloading();
        if (mFindText != nullptr) SaveOption(mFindKey, mFindText->text());
        GiveBackMessageTarget();
    }
    QDialog::done(result);
}

}  // namespace common
