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

const QString kRefreshing = QStringLiteral("Refreshing list...\r\n");
const QString kRefreshed = QStringLiteral("List refreshed\r\n");
const QString kDisconnecting = QStringLiteral("Disconnecting users...\r\n");
const QString kDisconnected = QStringLiteral("Users disconnected\r\n");

constexpr int kCommandHeightTwips = 375;

}  // namespace

ToolWindowBase::ToolWindowBase(MainFormLink& main, QWidget* parent, const QString& what,
                               int widthTwips, int heightTwips)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      mMain(main) {
    setFixedSize(TwipsToPixels(widthTwips), TwipsToPixels(heightTwips));
    // The layouts were drawn for an 8.25 pt window font; a larger default
    // would cut the captions short.
    QFont windowFont = font();
    windowFont.setPointSizeF(8.25);
    setFont(windowFont);

    // Centred on the screen, not over the (hidden) main window.
    if (const QScreen* where = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(where->availableGeometry().center());
        move(frame.topLeft());
    }

    setWindowTitle(ProductName() + QStringLiteral(" - ") + what + QStringLiteral(" on ") +
                   mMain.ChosenComputer());
    netenum::SetCurrentForm(this);
}

ToolWindowBase::~ToolWindowBase() { GiveBackMessageTarget(); }

void ToolWindowBase::GiveBackMessageTarget() {
    if (netenum::CurrentForm() == this) netenum::SetCurrentForm(mMain.MainMessageTarget());
}

void ToolWindowBase::AppendLine(const std::u16string& line) {
    if (mPane != nullptr) mPane->AppendLine(Q(line));
}

std::tuple<QLabel*, QPushButton*, MessagePane*> ToolWindowBase::AddSystemMessages(int top,
                                                                                   int clearLeft,
                                                                                   int paneWidth) {
    QLabel* caption = NewLabel(this, QStringLiteral("System Messages"), 120, top, 1515, 195, true);
    QPushButton* clear = NewButton(this, QStringLiteral("Clear"), clearLeft, top, 615, 255);
    mPane = new MessagePane(this);
    PlaceTwips(mPane, 120, top + 240, paneWidth, 855);
    connect(clear, &QPushButton::clicked, this, [this] { mPane->Clear(); });
    return {caption, clear, mPane};
}

void ToolWindowBase::AddListCommands(ReportList* list, QPushButton* selectAll,
                                     QPushButton* deselectAll, QPushButton* sendMessage,
                                     std::vector<QWidget*> followers) {
    mCommands = std::make_unique<ListCommands>(list, std::move(followers));
    connect(selectAll, &QPushButton::clicked, this, [this] { mCommands->SelectAll(); });
    connect(deselectAll, &QPushButton::clicked, this, [this] { mCommands->DeselectAll(); });
    connect(sendMessage, &QPushButton::clicked, this,
            [this, list] { SendMessage::Run(this, *list, *mPane); });
}

void ToolWindowBase::AddFind(QPushButton* find, QLineEdit* findText, QPushButton* help,
                             ListCommands::FindSettings settings, const QString& optionKey) {
    mFindText = findText;
    mFindKey = optionKey;
    connect(find, &QPushButton::clicked, this,
            [this, settings] { mCommands->Find(this, mFindText->text(), settings); });
    connect(help, &QPushButton::clicked, this,
            [this, settings] { ListCommands::Help(this, settings); });
    mFindText->setText(GetOption(mFindKey));
}

void ToolWindowBase::OnEscape(std::function<void()> action) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, std::move(action));
}

ToolWindowBase::CommandBar ToolWindowBase::AddCommandBar(int top, std::function<void()> refresh,
                                                        std::vector<Command> own, int closeLeft) {
    CommandBar bar{};
    bar.refresh = NewButton(this, QStringLiteral("&Refresh"), 120, top, 900, kCommandHeightTwips);
    bar.sendMessage =
        NewButton(this, QStringLiteral("&Send Message"), 1200, top, 1335, kCommandHeightTwips);
    bar.sendMessage->setEnabled(false);
    for (Command& command : own) {
        QPushButton* button =
            NewButton(this, command.caption, command.left, top, command.width, kCommandHeightTwips);
        button->setEnabled(false);
        connect(button, &QPushButton::clicked, this, std::move(command.run));
        bar.own.push_back(button);
    }
    bar.close = NewButton(this, QStringLiteral("&Close"), closeLeft, top, 1020, kCommandHeightTwips);
    // A person pressing Refresh means "try now", even a computer that was down.
    connect(bar.refresh, &QPushButton::clicked, this, [this, refresh = std::move(refresh)] {
        RetryComputerNow();
        refresh();
    });
    connect(bar.close, &QPushButton::clicked, this, [this] { CloseAndRefillMain(); });
    return bar;
}

void ToolWindowBase::SetFirstRowList(ReportList* list, std::vector<QWidget*> enabledWithRow) {
    mFirstRowList = list;
    mEnabledWithRow = std::move(enabledWithRow);
}

void ToolWindowBase::SelectFirstRow() {
    if (mFirstRowList == nullptr || mFirstRowList->RowCount() < 1) return;
    for (QWidget* command : mEnabledWithRow) command->setEnabled(true);
    mFirstRowList->EnsureVisible(0);
    mFirstRowList->SetCurrentRow(0);
    mFirstRowList->SetSelected(0, true);
}

void ToolWindowBase::RefreshList(const std::function<void()>& fill,
                                 const std::function<void()>& filled) {
    BeginStatusLine(*mPane, kRefreshing);
    if (mUnloaded) return;
    fill();
    EndStatusLine(*mPane, kRefreshing, kRefreshed);
    if (mUnloaded) return;
    if (filled) filled();
    SelectFirstRow();
}

void ToolWindowBase::DisconnectSessions(const std::vector<SessionKey>& targets,
                                        const std::function<netenum::colSessionEnum*()>& sessions,
                                        const std::function<void()>& refill) {
    ShowWaitCursor();
    BeginStatusLine(*mPane, kDisconnecting);
    if (netenum::colSessionEnum* ender = sessions()) {
        for (const SessionKey& target : targets)
            SkipOnError("ending a session", [&] { ender->DeleteItem(target.client, target.user); });
    }
    EndStatusLine(*mPane, kDisconnecting, kDisconnected);
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
