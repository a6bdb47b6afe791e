#pragma once
// The main window's computer list: the computers of the chosen type as the
// network lists them, those the administrator added after them, and the
// Computers menu that adds and removes computers by name or address.
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QWidget;

namespace common {
class MessagePane;
}

namespace app {

class ComputerList final {
public:
    // The main window's controls the list works with.
    struct Controls {
        QWidget* window;  // owns the prompts
        QComboBox* types;
        QComboBox* names;
        QLabel* count;  // "N Computer Names"
        common::MessagePane* messages;
        QAction* remove;
        QAction* logOnAs;
        QAction* forgetLogOn;
    };
    // `choose(index)` picks the list's entry `index` as the window's computer.
    ComputerList(Controls controls, std::function<void(int)> choose);

    // Lists the computers of the chosen type and chooses `choose` when it is
    // listed, otherwise the first. A listing the person gave up (Esc) leaves
    // the type, the list and its label as they were.
    void ListOfType(const QString& choose);
    // Lists the chosen type again ("All Servers" when none is chosen yet) and
    // chooses `select` when it is listed.
    void Refresh(const QString& select);
    // Asks for a name or address, checks it and whether it leads anywhere,
    // saves it and lists it.
    void Add();
    // Removes the chosen computer, when the administrator added it.
    void Remove();
    // The menu's entries for the computer chosen now.
    void UpdateMenu();

    // The listed names, one empty entry after them.
    const std::vector<std::u16string>& Names() const { return mNames; }

private:
    // Fills the names from the network: the listing's status.
    int List();
    // The computers the administrator added that the listing left out go
    // after the others: they can always be chosen and removed.
    void AddSaved();

    const Controls mControls;
    const std::function<void(int)> mChoose;
    std::vector<std::u16string> mNames{std::u16string()};
    // The type whose computers the list holds (-1: none listed yet).
    int mListedType = -1;
};

}  // namespace app
