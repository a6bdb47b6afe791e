#pragma once
// The commands every tool window offers on its lists, written once: Select
// All, De-select All, sorting by a click on a column header (with the "*"
// mark on the key column), Find by exact text or wildcard pattern, and the
// find help box. A window makes one ListCommands for its main list and the
// buttons that follow its selection.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace common {

class ReportList;

class ListCommands final {
public:
    // What a window's find searches and how its help box reads.
    struct FindSettings {
        std::vector<int> exactColumns;  // texts compared by the exact search
        int patternColumn = 0;          // the column the pattern search matches
        QString helpTitle;
        QStringList helpLines;
    };
    // "Find Path" of Open Resources: every sub-item exactly, the path by pattern.
    static FindSettings FindPath();
    // "Find User" of User Sessions: the row's own text, both ways.
    static FindSettings FindUser();

    // `buttons` are switched on by Select All and off by De-select All.
    ListCommands(ReportList* list, std::vector<QWidget*> buttons);

    void SelectAll();
    void DeselectAll();

    // Searches `findText` and selects the first row found, or says "Nothing
    // found."; returns the row or -1.
    int Find(QWidget* parent, const QString& findText, const FindSettings& settings);
    static void Help(QWidget* parent, const FindSettings& settings);

    // A header click on any sortable list: flips the list's sort-order flag,
    // sorts by that column and moves the "*" mark to its header.
    static void ColumnClick(ReportList& list, int column);
    // Connects the header clicks of `list` to ColumnClick.
    static void SortOnHeaderClick(ReportList& list);

private:
    void EnableButtons(bool enabled);

    QPointer<ReportList> mList;
    std::vector<QPointer<QWidget>> mButtons;
};

}  // namespace common
