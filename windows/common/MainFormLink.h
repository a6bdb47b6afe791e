#pragma once
// What a tool window needs of the main window: the chosen computer for its
// caption, the server argument for its collections, the summary refill when it
// closes, and the message target to fall back to. The tool windows live below
// the program's main window in the build: whoever opens one hands it this.
#include <QString>
#include <string>
#include <vector>

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
    // The computers of the main window's computer list, as it lists them now.
    virtual std::vector<std::u16string> ListedComputers() const { return {}; }
};

}  // namespace common
