#pragma once
// What the three tool windows share: a fixed-size dialog drawn in twips for
// the 8.25 pt window font, centred on the screen and captioned with the chosen
// computer; the System Messages pane as the message target while the window
// is loaded; the list commands and find box; the Refresh frame; the unload.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "ListCommands.h"
#include "ReportList.h"
#include "netenum/MessageTarget.h"
#include "text/Text.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace netenum {
class colSessionEnum;
}

namespace common {

class MainFormLink;
class MessagePane;

// A session as Disconnect ends it: client computer and user, trimmed.
struct SessionKey {
    std::u16string client;
    std::u16string user;
};

// Copies of what the selected rows' records say, in display order, made
// before any event runs: a refill then cannot pull a record away from under
// the command. Rows without a record are left out.
template <typename Items, typename Copy>
auto CopySelected(const ReportList& list, const Items* items, Copy copy) {
    std::vector<std::decay_t<decltype(copy(*items->At(0)))>> copies;
    for (int row : list.SelectedRows())
        if (const auto* record = RowRecord(list, row, items)) copies.push_back(copy(*record));
    return copies;
}

// The sessions of the selected rows; `client` gives a record's client
// computer. A row without a user name stands for no session.
template <typename Items, typename Client>
std::vector<SessionKey> SelectedSessions(const ReportList& list, const Items* items, Client client) {
    std::vector<SessionKey> keys = CopySelected(list, items, [&](const auto& record) {
        return SessionKey{text::TrimSpaces(client(record)), text::TrimSpaces(record.UserName())};
    });
    std::erase_if(keys, [](const SessionKey& key) { return key.user.empty(); });
    return keys;
}

class ToolWindowBase : public QDialog, public netenum::MessageSink {
    Q_OBJECT

public:
    // The message target goes back if no unload did it (destroyed by a test
    // or by the program ending): it must never point at a closed window.
    ~ToolWindowBase() override;
    ToolWindowBase(const ToolWindowBase&) = delete;
    ToolWindowBase& operator=(const ToolWindowBase&) = delete;

    // The System Messages pane as the message target.
    void AppendLine(const std::u16string& line) override;

    // The controls every tool window has, under their classic names.
    QPushButton* Command1 = nullptr;  // "Select All"
    QPushButton* Command2 = nullptr;  // "De-select All"
    QPushButton* Command4 = nullptr;  // the System Messages' "Clear"
    MessagePane* Text1 = nullptr;     // System Messages
    QPushButton* cmdRefresh = nullptr;
    QPushButton* Command3 = nullptr;  // "&Send Message"
    QPushButton* cmdClose = nullptr;

    // The first fill, once: "Reading list..." while the list is read, then
    // row 1 chosen. Showing the window runs it as soon as the window is on
    // screen, so that a slow server is waited for under a window that paints
    // and answers Esc.
    void FillFirst();

public slots:
    // Unloading (Close, Esc or the close box): the window's own steps, the
    // find text saved, and the message target given back.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    // The window's first fill (without choosing row 1).
    virtual void FirstFill() = 0;

    // A window's caption and its fixed client size, drawn in twips.
    struct Frame {
        QString what;
        int widthTwips;
        int heightTwips;
    };
    // Caption "Vantor - <what> on <chosen computer>"; from here on the window
    // is the message target until it unloads, then `main`'s pane is again.
    ToolWindowBase(MainFormLink& main, QWidget* parent, const Frame& frame);

    // A report list placed in twips, sorted by a click on a column header.
    ReportList* AddList(int left, int top, int width, int height);
    // "Select All" at `left`, `top` (Command1) and "De-select All" beside it (Command2).
    void AddSelectButtons(int left, int top);
    // The bold "System Messages" caption at `top` (returned), its "Clear"
    // button at `clearLeft` and the pane under them, `paneWidth` wide.
    QLabel* AddSystemMessages(int top, int clearLeft, int paneWidth);
    // Select All, De-select All and Send Message act on `list`; the row
    // commands are switched with its selection. Needs the command bar.
    void AddListCommands(ReportList* list);
    // "<caption>" (the find button) at `left`, `top`, its text box (saved
    // under `optionKey` between sessions) and its "?" help button.
    std::tuple<QPushButton*, QLineEdit*, QPushButton*> AddFind(const QString& caption, int left,
                                                                int top,
                                                                ListCommands::FindSettings settings,
                                                                const QString& optionKey);
    // Esc, whatever control has the focus.
    void OnEscape(std::function<void()> action);

    // One of a window's own commands on the command bar.
    struct Command {
        QString caption;
        int left;
        int width;
        std::function<void()> run;
    };
    // The command bar at `top`: "&Refresh" (runs `refresh`), "&Send Message"
    // and the window's `own` commands (returned), "&Close" at `closeLeft`
    // (CloseAndRefillMain). Send Message and the own commands are the row
    // commands: off until a row is chosen. Send Message is wired by
    // AddListCommands.
    std::vector<QPushButton*> AddCommandBar(int top, std::function<void()> refresh,
                                            std::vector<Command> own, int closeLeft);
    // The row commands on or off.
    void EnableRowCommands(bool enabled);
    // After a fill: Select All and De-select All as `anyRows` says, the row
    // commands off until a row is chosen.
    void ListFilled(bool anyRows);

    // The list whose row 1 is chosen on opening and after each refresh; with
    // `rowCommands` the row commands come on with it.
    void SetFirstRowList(ReportList* list, bool rowCommands);
    // Row 1 of that list, when it has one: the commands on, the row current,
    // selected and scrolled into view.
    void SelectFirstRow();
    // Refresh: "Refreshing list...", `fill`, then "List refreshed" unless
    // something was written under the first line; `filled` runs next, then
    // row 1 is chosen. Nothing after `fill` runs when the window was unloaded
    // while a line painted.
    void RefreshList(const std::function<void()>& fill, const std::function<void()>& filled = {});
    // "&Disconnect": ends each of `targets` through the collection `sessions`
    // gives once the status line shows, then `refill` unless the window was
    // unloaded meanwhile.
    void DisconnectSessions(const std::vector<SessionKey>& targets,
                            const std::function<netenum::colSessionEnum*()>& sessions,
                            const std::function<void()>& refill);
    // "&Close": the main window's summary is refilled, then the window unloads.
    void CloseAndRefillMain();

    // The server argument of the collections: empty for the local computer.
    QString RemoteServer() const;
    // A person pressed Refresh: the computer is asked again even while it is
    // remembered as dead (a timer's refresh is not).
    void RetryComputerNow() const;
    bool Unloaded() const { return mUnloaded; }
    // The window's own unload steps, run once before the common ones.
    virtual void Unloading() {}

private:
    void GiveBackMessageTarget();

    MainFormLink& mMain;
    std::unique_ptr<ListCommands> mCommands;
    std::vector<QWidget*> mRowCommands;
    ReportList* mFirstRowList = nullptr;
    bool mFirstRowCommands = false;
    QLineEdit* mFindText = nullptr;
    QString mFindKey;
    bool mUnloaded = false;
    bool mFilled = false;
};

}  // namespace common
