#include "frmResources.h"

#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <algorithm>
#include <array>
#include <deque>

#include "RefreshSeconds.h"
#include "netenum/colFileEnum.h"
#include "netenum/modAPI_Error.h"
#include "netenum/netapi.h"
#include "windows/common/ListCommands.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "windows/common/Twips.h"
#include "windows/common/WaitCursor.h"
#include "windows/common/WindowParts.h"

namespace resources {
namespace {

using common::NewLabel;
using common::PlaceTwips;
using common::Q;

const QString kClosing = QStringLiteral("Closing files...\r\n");
const QString kClosed = QStringLiteral("Files closed\r\n");

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

// The permission words in the order the bits are tested.
const QString kWrite = QStringLiteral("Write");
const QString kExecute = QStringLiteral("Execute");
const QString kCreate = QStringLiteral("Create");
const QString kRead = QStringLiteral("Read");
const QString kUnknown = QStringLiteral("Unknown");

const QString& PermissionWord(std::int32_t permissions) {
    const auto bits = static_cast<netapi::DWORD>(permissions);
    if (bits & netapi::PERM_FILE_WRITE) return kWrite;
    if (bits & netapi::ACCESS_EXEC) return kExecute;
    if (bits & netapi::PERM_FILE_CREATE) return kCreate;
    if (bits & netapi::PERM_FILE_READ) return kRead;
    return kUnknown;
}

// The "Locks" text of a record (the server's count, unsigned): the usual
// small counts are made once.
QStringView LocksText(std::uint32_t locks, std::deque<QString>& others) {
    static const std::array<QString, 16> kSmall = [] {
        std::array<QString, 16> texts;
        for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = QString::number(i);
        return texts;
    }();
    if (locks < kSmall.size()) return kSmall[locks];
    return others.emplace_back(QString::number(locks));
}

QStringView View(const std::u16string& text) {
    return QStringView(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString frmResources::PermissionText(std::int32_t permissions) {
    return PermissionWord(permissions);
}

frmResources::frmResources(common::MainFormLink& main, QWidget* parent)
    : ToolWindowBase(main, parent,
                     {.what = QStringLiteral("Open Files"), .widthTwips = 10545, .heightTwips = 6855}) {
    CreateControls();
}

frmResources::~frmResources() = default;

void frmResources::CreateControls() {
    lstvwResources = AddList(120, 120, 10275, 4095);

    lblCaption[4] = NewLabel(this, QStringLiteral("Total:"), 120, 4320, 405, 195);
    // The counts are unknown until the server gives its list.
    lblOpenResources = NewLabel(this, QString(), 600, 4320, 540, 270);
    lblOpenResources->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblCaption[5] = NewLabel(this, QStringLiteral("File Locks:"), 2400, 4320, 765, 195);
    lblFileLocks = NewLabel(this, QString(), 3240, 4320, 540, 255);
    lblFileLocks->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    std::tie(cmdFind, txtFind, cmdHelp) = AddFind(QStringLiteral("Find Path"), 4080, 4200,
                                                  common::ListCommands::FindPath(),
                                                  QStringLiteral("FindPath"));
    AddSelectButtons(8280, 4200);

    lblCaption[6] = AddSystemMessages(4680, 5880, 6345);

    cmdCloseResource = AddCommandBar(
        6000, [this] { cmdRefresh_Click(); },
        {{QStringLiteral("Close &Files"), 2760, 1020, [this] { cmdCloseResource_Click(); }}},
        3960)[0];

    chkRefresh = new QCheckBox(QStringLiteral("Refresh every          seconds"), this);
    PlaceTwips(chkRefresh, 120, 6480, 2415, 255);
    txtSecs = new QLineEdit(QStringLiteral("10"), this);
    txtSecs->setMaxLength(2);
    PlaceTwips(txtSecs, 1440, 6480, 375, 285);
    txtSecs->raise();
    txtSecs->installEventFilter(this);
    chkLog = new QCheckBox(QStringLiteral("Save to log file USAGE.TXT"), this);
    PlaceTwips(chkLog, 2760, 6480, 2415, 255);

    common::GrowToFit(chkRefresh);
    common::GrowToFit(chkLog);
    PlaceInCaptionGap(chkRefresh, txtSecs, QStringLiteral("Refresh every"),
                      QStringLiteral("          "));
    // A wider first check box pushes the second one along rather than under it.
    common::KeepRightOf(chkLog, chkRefresh, 120);

    Timer1 = new QTimer(this);

    AddListCommands(lstvwResources);
    SetFirstRowList(lstvwResources, true);
    connect(lstvwResources, &common::ReportList::ItemClick, this,
            [this] { EnableRowCommands(true); });
    connect(chkRefresh, &QCheckBox::toggled, this, [this] { chkRefresh_Click(); });
    // The log may not be beside the program (an installed one writes to the
    // state folder): the box says where it is.
    ShowLogPlace();
    connect(chkLog, &QCheckBox::toggled, this, [this] { ShowLogPlace(); });
    connect(txtSecs, &QLineEdit::textChanged, this, [this] { txtSecs_Change(); });
    connect(Timer1, &QTimer::timeout, this, [this] { cmdRefresh_Click(); });

    // Esc closes the window whatever control has the focus.
    OnEscape([this] { done(QDialog::Rejected); });
}

void frmResources::FillResources() {
    const common::WaitCursor wait;
    // Given up: the rows on show stay as they were.
    if (!common::ReadCollection(mFiles, RemoteServer().toStdU16String())) return;

    long long rows = 0;
    long long locks = 0;
    {
        common::ReportList::Rebuild fill(*lstvwResources);
        fill.AddColumns({{u"Opened By", 0.15}, {u"For", 0.1}, {u"Locks", 0.05}, {u"Path", 1.5}});
        fill.AddRecords(mFiles.get(), [&](const netenum::clsFileEnum& item, int record) {
            fill.AddRow({Q(item.UserName()), PermissionWord(item.Permissions()),
                         QString::number(static_cast<std::uint32_t>(item.NumberLocks())),
                         Q(item.PathName())},
                        QString::number(item.ID()), record);
            ++rows;
            locks += static_cast<std::uint32_t>(item.NumberLocks());  // the server's count, unsigned
        });
    }
    if (mFiles && mFiles->Incomplete())
        Text1->AppendLine(Q(netenum::IncompleteListLine(mFiles->Count(), mFiles->TotalEntries(), u"files")));
    const bool read = mFiles && mFiles->Answered();
    common::ShowCount(lblFileLocks, read, locks);
    common::ShowCount(lblOpenResources, read, rows);
    ListFilled(rows >= 1);
}

void frmResources::cmdRefresh_Click() {
    RefreshList(
        [this] {
            FillResources();
            if (chkLog->isChecked()) WriteUsageLog();
        },
        [this] {
            if (!mLogWritten || mLogNamed) return;
            mLogNamed = true;
            Text1->AppendLine(QStringLiteral("Usage log: ") +
                              QDir::toNativeSeparators(mUsageLog.FileName()) +
                              QStringLiteral("\r\n"));
        });
}

void frmResources::WriteUsageLog() {
    // The records of the rows as they stand after the rebuild, in display
    // order; the texts stay the collection's own (no event runs until the
    // log is written).
    const common::ReportListModel& list = *lstvwResources->Model();
    const int count = list.rowCount();
    std::vector<UsageLog::Row> rows;
    std::deque<QString> lockTexts;
    rows.reserve(static_cast<std::size_t>(count));
    for (int row = 0; mFiles && row < count; ++row) {
        const int record = list.Record(row);
        const netenum::clsFileEnum* item = mFiles->At(static_cast<std::size_t>(record));
        if (item == nullptr) continue;
        rows.push_back({View(item->UserName()), PermissionWord(item->Permissions()),
                        LocksText(static_cast<std::uint32_t>(item->NumberLocks()), lockTexts), View(item->PathName())});
    }
    QString error;
    if (mUsageLog.Write(rows, error)) {
        mLogWritten = true;
    } else {
        // The list is already rebuilt and stays; the next refresh tries again.
        Text1->AppendLine(QStringLiteral("Error writing usage log ") +
                          QDir::toNativeSeparators(mUsageLog.FileName()) + QStringLiteral(" : ") +
                          error + QStringLiteral("\r\n"));
    }
}

void frmResources::ShowLogPlace() {
    chkLog->setToolTip(QStringLiteral("Each refresh appends the files opened and closed to ") +
                       QDir::toNativeSeparators(mUsageLog.FileName()));
}

void frmResources::cmdCloseResource_Click() {
    common::ShowWaitCursor();
    // What to close is read before events run: a timer tick there rebuilds the list.
    const std::vector<netenum::clsFileEnum> targets = common::CopySelected(
        *lstvwResources, mFiles.get(), [](const netenum::clsFileEnum& item) { return item; });
    common::BeginStatusLine(*Text1, kClosing);

    const netenum::colFileEnum closer;
    // Each only while its id still names the file listed: ids are reused.
    for (const auto& target : targets) {
        common::SkipOnError("closing a file", [&] {
            closer.CloseListedFile(target, RemoteServer().toStdU16String());
        });
    }
    common::EndStatusLine(*Text1, kClosing, kClosed);
    common::ShowNormalCursor();
    if (!Unloaded()) FillResources();
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
    if (mTimer1Enabled && mTimer1Interval > 0 && !Unloaded())
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

void frmResources::Unloading() {
    Timer1->stop();
    mFiles.reset();
}

}  // namespace resources
