#include "frmFindAll.h"
#include "FindText.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <map>

#include "netenum/netapi.h"
#include "text/Text.h"
#include "windows/common/ListCommands.h"
#include "windows/common/MainFormLink.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Prompts.h"
#include "windows/common/ReportList.h"
#include "windows/common/Twips.h"
#include "windows/common/WindowParts.h"

namespace find {
namespace {

using common::NewButton;
using common::NewLabel;
using common::PlaceTwips;
using common::Q;

const QString kCaption = QStringLiteral("Find on All Computers");
const QString kCrLf = QStringLiteral("\r\n");

// A filter field of a tab, its label to the left leading to it.
QLineEdit* NewFilter(QWidget* tab, const QString& label, int labelLeft, int labelWidth, int left,
                     int width) {
    auto* edit = new QLineEdit(tab);
    PlaceTwips(edit, left, 90, width, 285);
    NewLabel(tab, label, labelLeft, 135, labelWidth, 195)->setBuddy(edit);
    return edit;
}

}  // namespace

frmFindAll::frmFindAll(common::MainFormLink& main, QWidget* parent, FindSetup setup)
    : QDialog(parent), mMain(main), mSetup(std::move(setup)) {
    setWindowTitle(QStringLiteral("Vantor - ") + kCaption);
    setFixedSize(common::TwipsToPixels(12600), common::TwipsToPixels(8280));
    CreateControls();
    FillComputers();
    UpdateCommands();
}

frmFindAll::~frmFindAll() {
    // The engine's threads end before the window's parts do.
    mRun.reset();
}

void frmFindAll::CreateControls() {
    NewLabel(this, QStringLiteral("Computers:"), 120, 105, 2400, 195, true);
    lstComputers = new QListWidget(this);
    PlaceTwips(lstComputers, 120, 330, 2400, 4185);
    lstComputers->setToolTip(QStringLiteral(" Clear a computer's box to leave it out "));

    tabFind = new QTabWidget(this);
    PlaceTwips(tabFind, 2640, 105, 9840, 4410);
    auto* files = new QWidget;
    txtPath = NewFilter(files, QStringLiteral("&Path:"), 90, 600, 720, 3600);
    txtUser = NewFilter(files, QStringLiteral("&User:"), 4440, 600, 5040, 1800);
    txtClient = NewFilter(files, QStringLiteral("C&lient:"), 6960, 700, 7680, 2010);
    txtPath->setPlaceholderText(QStringLiteral("*budget*.xlsx"));
    txtPath->setToolTip(QStringLiteral(" The path pattern: * ? # [list] [!list], letter case ignored "));
    txtClient->setToolTip(QStringLiteral(" Files of users with a session from a matching client "));
    lstvwFiles = new common::ReportList(files);
    PlaceTwips(lstvwFiles, 90, 480, 9600, 3480);
    tabFind->addTab(files, QStringLiteral("Open &Files"));

    auto* sessions = new QWidget;
    txtSessionUser = NewFilter(sessions, QStringLiteral("&User:"), 90, 600, 720, 2400);
    txtSessionClient = NewFilter(sessions, QStringLiteral("C&lient:"), 3240, 700, 3960, 2340);
    txtIdle = NewFilter(sessions, QStringLiteral("Idle f&or at least"), 6420, 1380, 7860, 720);
    txtIdle->setText(QStringLiteral("0"));
    NewLabel(sessions, QStringLiteral("minutes"), 8640, 135, 900, 195);
    lstvwSessions = new common::ReportList(sessions);
    PlaceTwips(lstvwSessions, 90, 480, 9600, 3480);
    tabFind->addTab(sessions, QStringLiteral("&Sessions"));

    {
        common::ReportList::Rebuild fill(*lstvwFiles);
        fill.AddColumns({{u"Computer", 0.16}, {u"Opened By", 0.15}, {u"For", 0.08},
                         {u"Locks", 0.06}, {u"Path", 1.5}});
    }
    {
        // "Client" where User Sessions says "Computer": two columns of one
        // name would be one column in an export.
        common::ReportList::Rebuild fill(*lstvwSessions);
        fill.AddColumns({{u"Computer", 0.16}, {u"Connected Users", 0.22}, {u"Client", 0.22},
                         {u"Opens", 0.07}, {u"Time", 0.1}, {u"Idle", 0.1}, {u"Guest", 0.08}});
    }
    for (common::ReportList* list : {lstvwFiles, lstvwSessions}) {
        common::ListCommands::SortOnHeaderClick(*list);
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { UpdateCommands(); });
    }

    cmdFind = NewButton(this, QStringLiteral("F&ind"), 120, 4650, 1100, 360);
    cmdFind->setDefault(true);
    cmdStop = NewButton(this, QStringLiteral("S&top"), 1320, 4650, 1100, 360);
    barProgress = new QProgressBar(this);
    PlaceTwips(barProgress, 2640, 4680, 3000, 300);
    barProgress->setTextVisible(false);
    lblProgress = NewLabel(this, QString(), 5760, 4725, 3400, 195);
    cmdSelectAll = NewButton(this, QStringLiteral("Select &All"), 9240, 4650, 1560, 360);
    cmdDeselectAll = NewButton(this, QStringLiteral("De-select All"), 10920, 4650, 1560, 360);

    NewLabel(this, QStringLiteral("System Messages"), 120, 5160, 2000, 195, true);
    cmdClear = NewButton(this, QStringLiteral("Clear"), 11400, 5100, 1080, 300);
    Text1 = new common::MessagePane(this);
    PlaceTwips(Text1, 120, 5430, 12360, 2100);

    cmdCloseFiles = NewButton(this, QStringLiteral("Close Fil&es"), 120, 7740, 1560, 360);
    cmdDisconnect = NewButton(this, QStringLiteral("&Disconnect"), 1800, 7740, 1560, 360);
    cmdClose = NewButton(this, QStringLiteral("&Close"), 11160, 7740, 1320, 360);

    connect(cmdFind, &QPushButton::clicked, this, [this] { Find(); });
    connect(cmdStop, &QPushButton::clicked, this, [this] { Stop(); });
    connect(cmdSelectAll, &QPushButton::clicked, this, [this] { CurrentList()->SelectAllRows(); });
    connect(cmdDeselectAll, &QPushButton::clicked, this, [this] { CurrentList()->DeselectAllRows(); });
    connect(cmdCloseFiles, &QPushButton::clicked, this, [this] { CloseSelectedFiles(); });
    connect(cmdDisconnect, &QPushButton::clicked, this, [this] { DisconnectSelected(); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { Text1->Clear(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { reject(); });
    connect(tabFind, &QTabWidget::currentChanged, this, [this](int tab) {
        // The tab's first pattern takes the keys, as when the window opens.
        (tab == 1 ? txtSessionUser : txtPath)->setFocus();
        UpdateCommands();
    });
    txtPath->setFocus();
    ShowProgress();
}

void frmFindAll::FillComputers() {
    for (const std::u16string& name : mMain.ListedComputers()) {
        if (name.empty()) continue;
        auto* item = new QListWidgetItem(OneLine(Q(name)), lstComputers);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Checked);
        mComputers.push_back(name);
    }
}

common::ReportList* frmFindAll::CurrentList() const {
    return tabFind->currentIndex() == 1 ? lstvwSessions : lstvwFiles;
}

void frmFindAll::UpdateCommands() {
    const bool busy = Busy();
    const bool files = tabFind->currentIndex() == 0;
    cmdFind->setEnabled(!busy);
    cmdStop->setEnabled(busy && (mRunKind == Run::Files || mRunKind == Run::Sessions));
    lstComputers->setEnabled(!busy);
    tabFind->tabBar()->setEnabled(!busy);
    const common::ReportList* list = CurrentList();
    cmdSelectAll->setEnabled(list->RowCount() > 0);
    cmdDeselectAll->setEnabled(list->RowCount() > 0);
    const bool chosen = !busy && list->SelectedCount() > 0;
    cmdCloseFiles->setEnabled(files && chosen);
    cmdDisconnect->setEnabled(!files && chosen);
}

void frmFindAll::Line(const QString& line) { Text1->AppendLine(line + kCrLf); }

void frmFindAll::Refuse(const QString& why) {
    common::CurrentPrompts().MessageBox(this, why, kCaption, common::Prompts::Icon::Exclamation);
}

void frmFindAll::Find() {
    if (Busy()) return;
    const bool files = tabFind->currentIndex() == 0;
    search::Filters filters;
    if (files) {
        filters.path = txtPath->text().toStdU16String();
        filters.user = txtUser->text().toStdU16String();
        filters.client = txtClient->text().toStdU16String();
    } else {
        filters.user = txtSessionUser->text().toStdU16String();
        filters.client = txtSessionClient->text().toStdU16String();
        bool number = false;
        const qlonglong minutes = txtIdle->text().trimmed().isEmpty() ? 0 : txtIdle->text().trimmed().toLongLong(&number);
        if ((!number && !txtIdle->text().trimmed().isEmpty()) || minutes < 0 || minutes > search::kMaxIdleMinutes) {
            Refuse(QStringLiteral("The idle time must be a whole number of minutes from 0 to %1.")
                       .arg(search::kMaxIdleMinutes));
            return;
        }
        filters.idleMinutes = static_cast<std::uint32_t>(minutes);
    }
    if (const auto problem = search::FiltersProblem(filters)) {
        Refuse(QString::fromStdString(*problem));
        return;
    }
    std::vector<search::Job> jobs;
    std::vector<std::uint32_t> asked;
    for (int i = 0; i < lstComputers->count(); ++i) {
        if (lstComputers->item(i)->checkState() != Qt::Checked) continue;
        search::Job job;
        job.kind = files ? search::JobKind::Files : search::JobKind::Sessions;
        job.computer = mComputers[static_cast<std::size_t>(i)];
        job.filters = filters;
        job.rowCap = static_cast<std::uint32_t>(std::min<std::size_t>(mSetup.limits.rowsInAll, 50'000));
        jobs.push_back(std::move(job));
        asked.push_back(static_cast<std::uint32_t>(i));
    }
    if (jobs.empty()) {
        Refuse(lstComputers->count() == 0
                   ? QStringLiteral("The computer list is empty: choose a type of computer in the "
                                    "main window, or add computers there.")
                   : QStringLiteral("Every computer is left out: check at least one."));
        return;
    }
    // A fresh list of the kind asked.
    common::ReportList* list = files ? lstvwFiles : lstvwSessions;
    (files ? mFiles : mSessions).clear();
    {
        std::vector<int> all;
        const int rows = list->RowCount();
        for (int row = 0; row < rows; ++row) all.push_back(list->Record(row));
        list->Model()->RemoveRecords(all);
    }
    mCut = false;
    StartRun(files ? Run::Files : Run::Sessions, std::move(jobs), std::move(asked), {});
}

void frmFindAll::StartRun(Run run, std::vector<search::Job> jobs, std::vector<std::uint32_t> computers,
                          std::vector<std::vector<int>> targets) {
    mRunKind = run;
    mRunComputers = std::move(computers);
    mTargets = std::move(targets);
    mJobs = jobs.size();
    mAnswered = mFailed = mDone = mNoLonger = mRowFailures = 0;
    mGone.clear();
    {
        std::lock_guard guard(mLock);
        mPending.clear();
        mTakePosted = false;
        mAllAnswered = false;
    }
    mRun = std::make_unique<search::FanOut>(mSetup.limits, mSetup.children);
    UpdateCommands();
    ShowProgress();
    // The engine's threads only queue; the window takes what came in batches.
    const auto post = [this] {
        if (mTakePosted) return;
        mTakePosted = true;
        QMetaObject::invokeMethod(this, [this] { TakeAnswers(); }, Qt::QueuedConnection);
    };
    mRun->Start(
        std::move(jobs),
        [this, post](search::ComputerAnswer answer) {
            std::lock_guard guard(mLock);
            mPending.push_back(std::move(answer));
            post();
        },
        [this, post] {
            std::lock_guard guard(mLock);
            mAllAnswered = true;
            post();
        });
}

void frmFindAll::TakeAnswers() {
    std::vector<search::ComputerAnswer> answers;
    bool all = false;
    {
        std::lock_guard guard(mLock);
        answers.swap(mPending);
        all = mAllAnswered;
        mTakePosted = false;
    }
    for (const auto& answer : answers) Show(answer);
    ShowProgress();
    if (all && Busy()) RunOver(false);
}

void frmFindAll::Show(const search::ComputerAnswer& answer) {
    ++mAnswered;
    const QString computer = OneLine(Q(RunComputer(answer.index)));
    if (!answer.answer.failures.empty()) ++mFailed;
    for (const std::string& line : answer.answer.failures)
        Line(computer + QStringLiteral(": ") + OneLine(FromUtf8(line)));
    if (mRunKind == Run::Files || mRunKind == Run::Sessions)
        ShowRows(answer);
    else
        ShowOutcomes(answer);
    if (answer.cut && !mCut) {
        mCut = true;
        Line(QStringLiteral("The list holds its first %1 rows; the rest were left out. Narrow the "
                            "search to see them.")
                 .arg(mSetup.limits.rowsInAll));
    }
}

void frmFindAll::ShowProgress() {
    barProgress->setMaximum(static_cast<int>(std::max<std::size_t>(mJobs, 1)));
    barProgress->setValue(static_cast<int>(mAnswered));
    if (mJobs == 0) {
        lblProgress->clear();
        return;
    }
    lblProgress->setText(QStringLiteral("%1 of %2 computers answered, %3 failed")
                             .arg(mAnswered).arg(mJobs).arg(mFailed));
}

void frmFindAll::RunOver(bool stopped) {
    const Run run = mRunKind;
    mRun.reset();
    if (run == Run::CloseFiles || run == Run::Disconnect) {
        const bool files = run == Run::CloseFiles;
        (files ? lstvwFiles : lstvwSessions)->Model()->RemoveRecords(mGone);
        const std::size_t asked = mDone + mNoLonger + mRowFailures;
        Line((files ? QStringLiteral("Closed %1 of %2 files") : QStringLiteral("Disconnected %1 of %2 sessions"))
                 .arg(mDone).arg(asked) +
             QStringLiteral(" on %1 computers; %2 no longer there, %3 failed.")
                 .arg(mJobs).arg(mNoLonger).arg(mRowFailures));
    } else if (stopped) {
        lblProgress->setText(QStringLiteral("Stopped: ") + lblProgress->text());
    }
    UpdateCommands();
    emit RunEnded();
}

void frmFindAll::Stop() {
    if (!Busy() || (mRunKind != Run::Files && mRunKind != Run::Sessions)) return;
    mRun->Stop();
    // What came before the stop is kept; nothing comes after it.
    TakeAnswers();
    if (Busy()) RunOver(true);
}

void frmFindAll::CloseSelectedFiles() { Act(Run::CloseFiles); }
void frmFindAll::DisconnectSelected() { Act(Run::Disconnect); }

void frmFindAll::Act(Run run) {
    if (Busy()) return;
    const bool files = run == Run::CloseFiles;
    common::ReportList* list = files ? lstvwFiles : lstvwSessions;
    const std::vector<Found>& records = files ? mFiles : mSessions;
    // The targets are copied now, per computer: nothing that runs later
    // can change what they name.
    std::map<std::uint32_t, search::Job> jobs;
    std::map<std::uint32_t, std::vector<int>> targets;
    std::size_t rows = 0;
    for (int row : list->SelectedRows()) {
        const int record = list->Record(row);
        if (record < 0 || static_cast<std::size_t>(record) >= records.size()) continue;
        const Found& found = records[static_cast<std::size_t>(record)];
        search::Job& job = jobs[found.computer];
        job.kind = files ? search::JobKind::CloseFiles : search::JobKind::Disconnect;
        job.computer = mComputers[found.computer];
        if (files)
            job.files.push_back({found.id, list->SubItem(row, kFilePath).toStdU16String(),
                                 list->SubItem(row, kFileUser).toStdU16String()});
        else
            job.sessions.push_back({list->SubItem(row, kSessionClient).toStdU16String(),
                                    list->SubItem(row, kSessionUser).toStdU16String()});
        targets[found.computer].push_back(record);
        ++rows;
    }
    if (rows == 0) return;
    const QString question =
        (files ? QStringLiteral("Close %1 open files on %2 computers?")
               : QStringLiteral("Disconnect %1 sessions on %2 computers?"))
            .arg(rows).arg(jobs.size());
    if (!common::CurrentPrompts().YesNo(this, question, kCaption, common::Prompts::Icon::Question, false))
        return;
    std::vector<search::Job> runJobs;
    std::vector<std::uint32_t> computers;
    std::vector<std::vector<int>> perJob;
    for (auto& [computer, job] : jobs) {
        computers.push_back(computer);
        runJobs.push_back(std::move(job));
        perJob.push_back(std::move(targets[computer]));
    }
    StartRun(run, std::move(runJobs), std::move(computers), std::move(perJob));
}

const std::u16string& frmFindAll::RunComputer(std::size_t job) const {
    return mComputers[mRunComputers[job]];
}

void frmFindAll::reject() {
    // Esc ends a search and keeps what came; with none running, it closes.
    if (Busy()) {
        Stop();
        return;
    }
    QDialog::reject();
}

}  // namespace find
