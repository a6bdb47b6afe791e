#include "ListCommands.h"

#include "pattern/PatternMatch.h"
#include "Product.h"
#include "Prompts.h"
#include "ReportList.h"
#include "WaitCursor.h"
#include "WindowParts.h"

namespace common {
namespace {

const QString kStar = QStringLiteral("*");

QStringList HelpLines(const QString& what, const QString& exact, const QString& begins,
                      const QString& ends, const QString& contains) {
    return {QStringLiteral("Note: searches are case insensitive"),
            QStringLiteral("To find exact text type in whole %1. Example: %2").arg(what, exact),
            QStringLiteral("To find %1s beginning with specific text type TEXT*. Example: %2")
                .arg(what, begins),
            QStringLiteral("To find %1s ending with specific text type *TEXT. Example: %2")
                .arg(what, ends),
            QStringLiteral("To find %1s containing specific text type *TEXT*. Example: %2")
                .arg(what, contains),
            QStringLiteral("Wildcard characters * and ? can be used")};
}

}  // namespace

ListCommands::FindSettings ListCommands::FindPath() {
    return {{1, 2, 3},
            3,
            QStringLiteral("Find Path Help"),
            HelpLines(QStringLiteral("path"), QStringLiteral("C:\\Dir\\file.doc"),
                      QStringLiteral("C:\\Dir\\fi*"), QStringLiteral("*.doc"),
                      QStringLiteral("*file*"))};
}

ListCommands::FindSettings ListCommands::FindUser() {
    return {{0},
            0,
            QStringLiteral("Find User Help"),
            HelpLines(QStringLiteral("user"), QStringLiteral("johndoe"), QStringLiteral("john*"),
                      QStringLiteral("*doe"), QStringLiteral("*johnd*"))};
}

ListCommands::ListCommands(ReportList* list, std::vector<QWidget*> buttons) : mList(list) {
    for (QWidget* button : buttons) mButtons.emplace_back(button);
}

void ListCommands::EnableButtons(bool enabled) {
    for (const auto& button : mButtons)
        if (button) button->setEnabled(enabled);
}

void ListCommands::SelectAll() {
    ShowWaitCursor();
    if (mList) {
        mList->SelectAllRows();
        if (mList->RowCount() >= 1) EnableButtons(true);
    }
    ShowNormalCursor();
}

void ListCommands::DeselectAll() {
    ShowWaitCursor();
    if (mList) mList->DeselectAllRows();
    EnableButtons(false);
    ShowNormalCursor();
}

int ListCommands::Find(QWidget* parent, const QString& findText, const FindSettings& settings) {
    const QString search = TrimSpaces(findText).toLower();
    const bool isPattern = search.contains(QLatin1Char('*')) || search.contains(QLatin1Char('?'));
    ShowWaitCursor();
    DeselectAll();

    int found = -1;
    if (mList) {
        if (isPattern) {
            const pattern::Pattern pattern(search.toStdU16String());
            found = mList->FindPattern(pattern, settings.patternColumn);
        } else {
            found = mList->FindExact(search, settings.exactColumns);
        }
    }
    if (found >= 0) {
        // Only the found row is selected; the buttons stay as De-select All left them.
        mList->EnsureVisible(found);
        mList->SetCurrentRow(found);
        mList->SetSelected(found, true);
    } else {
        CurrentPrompts().MessageBox(parent, QStringLiteral("Nothing found."),
                                    ProductName(), Prompts::Icon::Information);
    }
    ShowNormalCursor();
    return found;
}

void ListCommands::Help(QWidget* parent, const FindSettings& settings) {
    CurrentPrompts().MessageBox(parent, settings.helpLines.join(QStringLiteral("\r\n")),
                                settings.helpTitle, Prompts::Icon::Information);
}

void ListCommands::ColumnClick(ReportList& list, int column) {
    if (list.RowCount() == 0) return;
    list.SetSortOrderFlag(list.SortOrderFlag() == 0 ? 1 : 0);
    const QString clicked = list.ColumnText(column);
    list.SortBy(column, list.SortOrderFlag() == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    for (int i = 0; i < list.ColumnCount(); ++i) {
        if (i == list.SortKey()) {
            if (!clicked.startsWith(kStar)) list.SetColumnText(i, kStar + clicked);
        } else if (list.ColumnText(i).startsWith(kStar)) {
            list.SetColumnText(i, list.ColumnText(i).mid(1));
        }
    }
}

void ListCommands::SortOnHeaderClick(ReportList& list) {
    QObject::connect(&list, &ReportList::ColumnClick, &list,
                     [&list](int column) { ColumnClick(list, column); });
}

}  // namespace common
