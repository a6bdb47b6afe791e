#pragma once
// "Find on All Computers": open files and sessions of every computer in the
// main window's computer list at once, filtered by patterns, rows shown as
// each computer answers; then Close Files or Disconnect for the selected
// rows, each sent to its own computer after one confirmation.
#include <QDialog>
#include <QString>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "search/FanOut.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace common {
class MainFormLink;
class MessagePane;
class ReportList;
}  // namespace common

namespace find {

// How the searches run: in child processes (the real network) or on
// worker threads (a simulated one), and within which bounds.
struct FindSetup {
    std::optional<search::ChildProgram> children;
    search::FanOutLimits limits;
};

class frmFindAll final : public QDialog {
    Q_OBJECT

public:
    frmFindAll(common::MainFormLink& main, QWidget* parent, FindSetup setup);
    ~frmFindAll() override;
    frmFindAll(const frmFindAll&) = delete;
    frmFindAll& operator=(const frmFindAll&) = delete;

    // The controls.
    QListWidget* lstComputers = nullptr;  // checked: asked
    QTabWidget* tabFind = nullptr;
    QLineEdit* txtPath = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtClient = nullptr;
    QLineEdit* txtSessionUser = nullptr;
    QLineEdit* txtSessionClient = nullptr;
    QLineEdit* txtIdle = nullptr;  // minutes
    common::ReportList* lstvwFiles = nullptr;
    common::ReportList* lstvwSessions = nullptr;
    QPushButton* cmdFind = nullptr;
    QPushButton* cmdStop = nullptr;
    QLabel* lblProgress = nullptr;
    QProgressBar* barProgress = nullptr;
    QPushButton* cmdSelectAll = nullptr;
    QPushButton* cmdDeselectAll = nullptr;
    QPushButton* cmdCloseFiles = nullptr;
    QPushButton* cmdDisconnect = nullptr;
    QPushButton* cmdClear = nullptr;
    common::MessagePane* Text1 = nullptr;
    QPushButton* cmdClose = nullptr;

    // Whether a search or a bulk command is under way.
    bool Busy() const { return mRun != nullptr; }
    // The list of the tab shown.
    common::ReportList* CurrentList() const;

    void Find();
    void Stop();
    void CloseSelectedFiles();
    void DisconnectSelected();

signals:
    // A search or a bulk command has ended (all answered, or stopped).
    void RunEnded();

protected:
    void reject() override;

private:
    enum class Run { Files, Sessions, CloseFiles, Disconnect };
    // What a row stands for: its computer (its place in mComputers), and
    // for a file the id listed.
    struct Found {
        std::uint32_t computer = 0;
        std::uint32_t id = 0;
    };

    void CreateControls();
    void FillComputers();
    // `computers`: each job's computer, by its place in the computer list;
    // `targets`: each job's rows (records) for a close or a disconnect.
    void StartRun(Run run, std::vector<search::Job> jobs, std::vector<std::uint32_t> computers,
                  std::vector<std::vector<int>> targets);
    const std::u16string& RunComputer(std::size_t job) const;
    void TakeAnswers();
    void Show(const search::ComputerAnswer& answer);
    void ShowRows(const search::ComputerAnswer& answer);
    void ShowOutcomes(const search::ComputerAnswer& answer);
    void RunOver(bool stopped);
    void ShowProgress();
    void UpdateCommands();
    void Line(const QString& line);
    void Refuse(const QString& why);
    void Act(Run run);

    common::MainFormLink& mMain;
    FindSetup mSetup;
    std::vector<std::u16string> mComputers;   // the computer list's, fixed for the window
    std::vector<std::uint32_t> mRunComputers; // the run's jobs' computers
    std::vector<Found> mFiles;                // records of lstvwFiles
    std::vector<Found> mSessions;             // records of lstvwSessions

    std::unique_ptr<search::FanOut> mRun;
    Run mRunKind = Run::Files;
    std::vector<std::vector<int>> mTargets;  // per job: the records it acts on
    std::size_t mJobs = 0;
    std::size_t mAnswered = 0;
    std::size_t mFailed = 0;
    std::size_t mDone = 0;
    std::size_t mNoLonger = 0;
    std::size_t mRowFailures = 0;
    bool mCut = false;
    std::vector<int> mGone;  // records closed or no longer there

    // Answers handed over by the engine's threads, taken in batches.
    std::mutex mLock;
    std::vector<search::ComputerAnswer> mPending;
    bool mTakePosted = false;
    bool mAllAnswered = false;
};

}  // namespace find
