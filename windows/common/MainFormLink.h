#pragma once
// What a tool window needs of the main window: the chosen computer for its
// caption, the server argument for its collections, the summary refill when it
// closes, and the message target to fall back to. The tool windows live below
// the program's main window in the build, so they reach it through this.
#include <QString>
#include <functional>
#include <memory>

class QDialog;
class QWidget;

namespace netenum {
class MessageSink;
}

namespace common {

class MainFormLink {
public:
    virtual ~MainFormLink() = default;
    // gComputerName: "**LOCAL**" or a computer name as the computer list shows it.
    virtual QString ChosenComputer() const = 0;
    // Empty for the local computer, otherwise the chosen name unchanged.
    virtual QString RemoteServer() const = 0;
    virtual void FillGeneral() = 0;
    // The main window's pane: a closing tool window makes it the target again.
    virtual netenum::MessageSink* MainMessageTarget() = 0;
    virtual QWidget* MainWidget() = 0;
};

// Set by the main window while it exists; null before and after.
void SetMainForm(MainFormLink* mainForm);
MainFormLink* MainForm();

// The three tool windows the main window opens modally from its buttons.
enum class ToolWindow { Resources, SharedResources, UserSessions };
using ToolWindowFactory = std::function<std::unique_ptr<QDialog>(QWidget* parent)>;

// The start procedure registers what exists; a button without a factory does nothing.
void RegisterToolWindow(ToolWindow which, ToolWindowFactory factory);
const ToolWindowFactory* FindToolWindow(ToolWindow which);

}  // namespace common
