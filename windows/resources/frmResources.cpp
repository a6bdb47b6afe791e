#include "frmResources.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <algorithm>
#include <exception>

#include "RefreshSeconds.h"
#include "netenum/colFileEnum.h"
#include "windows/common/ListCommands.h"
#include "windows/common/MainFormLink.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "windows/common/SendMessage.h"
#include "windows/common/Settings.h"
#include "windows/common/Twips.h"
#include "windows/common/WaitCursor.h"

namespace resources {
namespace {

using common::PlaceTwips;

constexpr int kClientWidthTwips = 10545;
constexpr int kClientHeightTwips = 6855;
constexpr int kPathColumn = 3;

const QString kRefreshing = QStringLiteral("Refreshing list...\r\n");
const QString kRefreshed = QStringLiteral("List refreshed\r\n");
const QString kClosing = QStringLiteral("Closing files...\r\n");
const QString kClosed = QStringLiteral("Files closed\r\n");
const QString kFindPathKey = QStringLiteral("FindPath");

QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A step that fails is skipped and the command goes on with the next one.
template <typename Step>
void SkipOnError(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

QLabel* NewLabel(QWidget* parent, const QString& text, int left, int top, int width, int height) {
    auto* label = new QLabel(text, parent);
    PlaceTwips(label, left, top, width, height);
    return label;
}

// A caption is never cut short: where this font needs more room than the
// layout gives, the control grows to the right.
void WidenToFit(QWidget* widget) {
    if (widget->sizeHint().width() > widget->width())
        widget->resize(widget->sizeHint().width(), widget->height());
}

// The seconds box sits in the blanks of the check box's caption. Where the
// font moves the blanks away from the box's place, the box follows them.
void PlaceInCaptionGap(QCheckBox* check, QWidget* box, const QString& before, const QString& gap) {
    QStyleOptionButton option;
    option.initFrom(check);
    option.text = check->text();
    const QRect contents = check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check);
    const QFontMetrics metrics(check->font());
    const int gapStart = check->x() + contents.left() + metrics.horizontalAdvance(before);
    const int gapEnd = gapStart + metrics.horizontalAdvance(gap);
    if (box->x() >= gapStart && box->x() + box->width() <= gapEnd) return;
    box->move(gapStart + std::max(0, (gapEnd - gapStart - box->width()) / 2), box->y());
}

QPushButton* NewButton(QWidget* parent, const QString& text, int left, int top, int width,
                       int height) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);  // Enter must not press a button of its own accord
    PlaceTwips(button, left, top, width, height);
    return button;
}

// The permission words in the order the bits are tested.
const QString kWrite = QStringLiteral("Write");
const QString kExecute = QStringLiteral("Execute");
const QString kCreate = QStringLiteral("Create");
const QString kRead = QStringLiteral("Read");
const QString kUnknown = QStringLiteral("Unknown");

}  // namespace

QString frmResources::PermissionText(std::int32_t permissions) {
    if (permissions & 2) return kWrite;
    if (permissions & 8) return kExecute;
    if (permissions & 4) return kCreate;
    if (permissions & 1) return kRead;
    return kUnknown;
}

frmResources::frmResources(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setFixedSize(common::TwipsToPixels(kClientWidthTwips), common::TwipsToPixels(kClientHeightTwips));
    // The layout was drawn for an 8.25 pt window font; a larger default would
    // cut the captions short.
    QFont windowFont = font();
    windowFont.setPointSizeF(8.25);
    setFont(windowFont);
    CreateControls();
    mCommands = std::make_unique<common::ListCommands>(
        lstvwResources, std::vector<QWidget*>{Command3, cmdCloseResource});

    // Centred on the screen, not over the (hidden) main window.
    if (const QScreen* where = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(where->availableGeometry().center());
        move(frame.topLeft());
    }

    common::MainFormLink* main = common::MainForm();
    SkipOnError([&] {
        setWindowTitle(QStringLiteral("Vantor - Open Files on ") +
                       (main != nullptr ? main->ChosenComputer() : QStringLiteral("**LOCAL**")));
    });
    mPreviousTarget = netenum::CurrentForm();
    netenum::SetCurrentForm(this);
    FillResources();
    if (lstvwResources->RowCount() >= 1) SelectFirstRow();
    SkipOnError([&] { txtFind->setText(common::GetOption(kFindPathKey)); });
}

frmResources::~frmResources() {
    // Destroyed without an unload (a test, the program ending): the message
    // target must still never point at a closed window.
    if (netenum::CurrentForm() == this) {
        common::MainFormLink* main = common::MainForm();
        netenum::SetCurrentForm(main != nullptr ? main->MainMessageTarget() : mPreviousTarget);
    }
}

void frmResources::CreateControls() {
    lstvwResources = new common::ReportList(this);
    PlaceTwips(lstvwResources, 120, 120, 10275, 4095);

    lblCaption[4] = NewLabel(this, QStringLiteral("Total:"), 120, 4320, 405, 195);
    lblOpenResources = NewLabel(this, QStringLiteral("0"), 600, 4320, 540, 270);
    lblOpenResources->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblCaption[5] = NewLabel(this, QStringLiteral("File Locks:"), 2400, 4320, 765, 195);
    lblFileLocks = NewLabel(this, QStringLiteral("0"), 3240, 4320, 540, 255);
    lblFileLocks->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    cmdFind = NewButton(this, QStringLiteral("Find Path"), 4080, 4200, 975, 255);
    txtFind = new QLineEdit(this);
    PlaceTwips(txtFind, 5040, 4200, 2775, 285);
    cmdHelp = NewButton(this, QStringLiteral("?"), 7800, 4200, 255, 255);
    Command1 = NewButton(this, QStringLiteral("Select All"), 8280, 4200, 855, 255);
    Command2 = NewButton(this, QStringLiteral("De-select All"), 9240, 4200, 1095, 255);

    lblCaption[6] = NewLabel(this, QStringLiteral("System Messages"), 120, 4680, 1515, 195);
    QFont bold = lblCaption[6]->font();
    bold.setBold(true);
    lblCaption[6]->setFont(bold);
    Command4 = NewButton(this, QStringLiteral("Clear"), 5880, 4680, 615, 255);
    Text1 = new common::MessagePane(this);
    PlaceTwips(Text1, 120, 4920, 6345, 855);

    cmdRefresh = NewButton(this, QStringLiteral("&Refresh"), 120, 6000, 900, 375);
    Command3 = NewButton(this, QStringLiteral("&Send Message"), 1200, 6000, 1335, 375);
    Command3->setEnabled(false);
    cmdCloseResource = NewButton(this, QStringLiteral("Close &Files"), 2760, 6000, 1020, 375);
    cmdCloseResource->setEnabled(false);
    cmdClose = NewButton(this, QStringLiteral("&Close"), 3960, 6000, 1020, 375);

    chkRefresh = new QCheckBox(QStringLiteral("Refresh every          seconds"), this);
    PlaceTwips(chkRefresh, 120, 6480, 2415, 255);
    txtSecs = new QLineEdit(QStringLiteral("10"), this);
    txtSecs->setMaxLength(2);
    PlaceTwips(txtSecs, 1440, 6480, 375, 285);
    txtSecs->raise();
    txtSecs->installEventFilter(this);
    chkLog = new QCheckBox(QStringLiteral("Save to log file USAGE.TXT"), this);
    PlaceTwips(chkLog, 2760, 6480, 2415, 255);

    for (QWidget* caption : std::initializer_list<QWidget*>{lblCaption[4], lblCaption[5],
                                                            lblCaption[6], chkRefresh, chkLog})
        WidenToFit(caption);
    PlaceInCaptionGap(chkRefresh, txtSecs, QStringLiteral("Refresh every"),
                      QStringLiteral("          "));
    // A wider first check box pushes the second one along rather than under it.
    const int spacing = common::TwipsToPixels(120);
    if (chkLog->x() < chkRefresh->geometry().right() + spacing)
        chkLog->move(chkRefresh->geometry().right() + spacing, chkLog->y());

    Timer1 = new QTimer(this);

    connect(cmdRefresh, &QPushButton::clicked, this, [this] { cmdRefresh_Click(); });
    connect(cmdCloseResource, &QPushButton::clicked, this, [this] { cmdCloseResource_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Text1->Clear(); });
    connect(Command1, &QPushButton::clicked, this, [this] { mCommands->SelectAll(); });
    connect(Command2, &QPushButton::clicked, this, [this] { mCommands->DeselectAll(); });
    connect(cmdFind, &QPushButton::clicked, this, [this] {
        mCommands->Find(this, txtFind->text(), common::ListCommands::FindPath());
    });
    connect(cmdHelp, &QPushButton::clicked, this,
            [this] { common::ListCommands::Help(this, common::ListCommands::FindPath()); });
    connect(Command3, &QPushButton::clicked, this,
            [this] { common::SendMessage::Run(this, *lstvwResources, *Text1); });
    connect(lstvwResources, &common::ReportList::ItemClick, this,
            [this] { lstvwResources_ItemClick(); });
    common::ListCommands::SortOnHeaderClick(*lstvwResources);
    connect(chkRefresh, &QCheckBox::toggled, this, [this] { chkRefresh_Click(); });
    connect(txtSecs, &QLineEdit::textChanged, this, [this] { txtSecs_Change(); });
    connect(Timer1, &QTimer::timeout, this, [this] { cmdRefresh_Click(); });

    // Esc closes the window whatever control has the focus.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { done(QDialog::Rejected); });
}

void frmResources::AppendLine(const std::u16string& line) { Text1->AppendLine(Q(line)); }

QString frmResources::RemoteServer() const {
    common::MainFormLink* main = common::MainForm();
    return main != nullptr ? main->RemoteServer() : QString();
}

void frmResources::FillResources() {
    common::ShowWaitCursor();
    SkipOnError([&] {
        mFiles = std::make_unique<netenum::colFileEnum>();
        mFiles->Init(RemoteServer().toStdU16String());
    });

    long long rows = 0;
    long long locks = 0;
    SkipOnError([&] {
        common::ReportList::Rebuild fill(*lstvwResources);
        fill.AddColumn(QStringLiteral("Opened By"), 0.15);
        fill.AddColumn(QStringLiteral("For"), 0.1);
        fill.AddColumn(QStringLiteral("Locks"), 0.05);
        fill.AddColumn(QStringLiteral("Path"), 1.5);
        if (!mFiles) return;
        fill.ReserveRows(static_cast<int>(mFiles->Count()));
        for (const netenum::clsFileEnum& item : *mFiles) {
            ++rows;
            fill.AddRow({Q(item.UserName()), PermissionText(item.Permissions()),
                         QString::number(item.NumberLocks()), Q(item.PathName())},
                        QString::number(item.ID()));
            locks += item.NumberLocks();
        }
    });
    lblFileLocks->setText(QString::number(locks));
    lblOpenResources->setText(QString::number(rows));
    Command1->setEnabled(rows >= 1);
    Command2->setEnabled(rows >= 1);
    Command3->setEnabled(false);
    cmdCloseResource->setEnabled(false);
    common::ShowNormalCursor();
}

void frmResources::SelectFirstRow() {
    Command3->setEnabled(true);
    cmdCloseResource->setEnabled(true);
    lstvwResources->EnsureVisible(0);
    lstvwResources->SetCurrentRow(0);
    lstvwResources->SetSelected(0, true);
}

void frmResources::cmdRefresh_Click() {
    Text1->SetText(kRefreshing);
    QCoreApplication::processEvents();
    if (mUnloaded) return;
    FillResources();
    if (chkLog->isChecked()) WriteUsageLog();
    if (Text1->Text() == kRefreshing) {
        Text1->SetText(kRefreshed);
        QCoreApplication::processEvents();
        if (mUnloaded) return;
    }
    if (lstvwResources->RowCount() >= 1) SelectFirstRow();
}

void frmResources::WriteUsageLog() {
    // The rows as they stand after the rebuild, in display order; the log
    // reads the list's own texts (no event runs until it is done).
    const common::ReportListModel& list = *lstvwResources->Model();
    const int count = list.rowCount();
    std::vector<UsageLog::Row> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row) {
        rows.push_back({list.CellRef(row, 0), list.CellRef(row, 1), list.CellRef(row, 2),
                        list.CellRef(row, kPathColumn)});
    }
    QString error;
    if (!mUsageLog.Write(rows, error)) {
        // The list is already rebuilt and stays; the next refresh tries again.
        Text1->AppendLine(QStringLiteral("Error writing usage log ") +
                          QDir::toNativeSeparators(mUsageLog.FileName()) + QStringLiteral(" : ") +
                          error + QStringLiteral("\r\n"));
    }
}

void frmResources::cmdCloseResource_Click() {
    common::ShowWaitCursor();
    // What to close is read before events run: a timer tick there rebuilds the list.
    struct Target {
        std::int32_t id;
        QString path;
    };
    std::vector<Target> targets;
    for (int row : lstvwResources->SelectedRows()) {
        bool ok = false;
        const std::int32_t id = lstvwResources->Tag(row).trimmed().toInt(&ok);
        if (ok) targets.push_back({id, lstvwResources->SubItem(row, kPathColumn)});
    }
    Text1->SetText(kClosing);
    QCoreApplication::processEvents();

    const netenum::colFileEnum closer;
    for (const Target& target : targets) {
        SkipOnError([&] {
            closer.CloseFile(target.id, RemoteServer().toStdU16String(), target.path.toStdU16String());
        });
    }
    if (Text1->Text() == kClosing) {
        Text1->SetText(kClosed);
        QCoreApplication::processEvents();
    }
    common::ShowNormalCursor();
    if (!mUnloaded) FillResources();
}

void frmResources::cmdClose_Click() {
    if (common::MainFormLink* main = common::MainForm()) SkipOnError([&] { main->FillGeneral(); });
    done(QDialog::Rejected);
}

void frmResources::lstvwResources_ItemClick() {
    Command3->setEnabled(true);
    cmdCloseResource->setEnabled(true);
}

void frmResources::chkRefresh_Click() {
    mTimer1Enabled = chkRefresh->isChecked();
    ApplyTimer();
}

void frmResources::txtSecs_Change() {
    int seconds = RefreshSeconds(txtSecs->text());
    if (seconds > 65) {
        txtSecs->setText(QStringLiteral("65"));  // runs this again with 65
        seconds = 65;
    }
    mTimer1Interval = seconds * 1000;
    ApplyTimer();
}

void frmResources::ApplyTimer() {
    // An interval of 0 never fires; a new interval restarts the count.
    if (mTimer1Enabled && mTimer1Interval > 0 && !mUnloaded)
        Timer1->start(mTimer1Interval);
    else
        Timer1->stop();
}

bool frmResources::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSecs && event->type() == QEvent::KeyPress) {
        // Only digits and backspace may be typed. Keys that type nothing pass,
        // and so do Delete and Tab, which the classic box never saw as characters.
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        const bool noCharacter = key->key() == Qt::Key_Delete || key->key() == Qt::Key_Tab ||
                                 key->key() == Qt::Key_Backtab;
        if (!typed.isEmpty() && !noCharacter) {
            const QChar c = typed.front();
            const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
            if (!digit && c != QChar(8)) return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmResources::Unload() {
    if (mUnloaded) return;
    mUnloaded = true;
    Timer1->stop();
    SkipOnError([&] { common::SaveOption(kFindPathKey, txtFind->text()); });
    mFiles.reset();
    if (netenum::CurrentForm() == this) {
        common::MainFormLink* main = common::MainForm();
        netenum::SetCurrentForm(main != nullptr ? main->MainMessageTarget() : mPreviousTarget);
    }
}

void frmResources::done(int result) {
    Unload();
    QDialog::done(result);
}

}  // namespace resources
