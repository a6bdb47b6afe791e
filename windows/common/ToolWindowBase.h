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
#include <vector>

#include "ListCommands.h"
#include "netenum/MessageTarget.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace common {

class MessagePane;
class ReportList;

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

public slots:
    // Unloading (Close, Esc or the close box): the window's own steps, the
    // find text saved, and the message target given back.
    void done(int result) override;

protected:
    // Caption "Vantor - <what> on <chosen computer>"; from here on the window
    // is the message target, the previous one remembered.
    ToolWindowBase(QWidget* parent, const QString& what, int widthTwips, int heightTwips);

    // The bold "System Messages" caption at `top`, its "Clear" button at
    // `clearLeft` and the pane under them, `paneWidth` wide.
    std::tuple<QLabel*, QPushButton*, MessagePane*> AddSystemMessages(int top, int clearLeft,
                                                                       int paneWidth);
    // Select All, De-select All and Send Message on `list`; `followers` are
    // the buttons switched with its selection.
    void AddListCommands(ReportList* list, QPushButton* selectAll, QPushButton* deselectAll,
                         QPushButton* sendMessage, std::vector<QWidget*> followers);
    // The find button, its text box (saved under `optionKey` between
    // sessions) and its help button. Needs the list commands.
    void AddFind(QPushButton* find, QLineEdit* findText, QPushButton* help,
                 ListCommands::FindSettings settings, const QString& optionKey);
    // Esc, whatever control has the focus.
    void OnEscape(std::function<void()> action);

    // Refresh: "Refreshing list...", `fill`, then "List refreshed" unless
    // something was written under the first line. False when the window was
    // unloaded while a line painted.
    bool RefreshWithStatusLine(const std::function<void()>& fill);
    // "&Close": the main window's summary is refilled, then the window unloads.
    void CloseAndRefillMain();
    // Row 1 current, selected and scrolled into view.
    static void SelectRowOne(ReportList& list);

    // The server argument of the collections: empty for the local computer.
    QString RemoteServer() const;
    bool Unloaded() const { return mUnloaded; }
    // The window's own unload steps, run once before the common ones.
    virtual void Unloading() {}

private:
    void GiveBackMessageTarget();

    MessagePane* mPane = nullptr;
    std::unique_ptr<ListCommands> mCommands;
    QLineEdit* mFindText = nullptr;
    QString mFindKey;
    netenum::MessageSink* mPreviousTarget = nullptr;
    bool mUnloaded = false;
};

}  // namespace common
