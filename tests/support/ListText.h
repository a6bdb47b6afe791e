#pragma once
// Reading and clicking the report lists of a window under test.
#include <QHeaderView>
#include <QStringList>
#include <QTest>
#include <initializer_list>
#include <vector>

#include "windows/common/ReportList.h"

namespace listtext {

// The texts of one column (0: the row text) in display order.
inline QStringList Column(const common::ReportList& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.RowCount(); ++row) texts << list.SubItem(row, column);
    return texts;
}

// One row's texts followed by its tag.
inline QStringList Row(const common::ReportList& list, int row) {
    QStringList texts;
    for (int column = 0; column < list.ColumnCount(); ++column) texts << list.SubItem(row, column);
    return texts << list.Tag(row);
}

// Every row as Row gives it, in display order.
inline std::vector<QStringList> Rows(const common::ReportList& list) {
    std::vector<QStringList> rows;
    for (int row = 0; row < list.RowCount(); ++row) rows.push_back(Row(list, row));
    return rows;
}

// The column captions, the sort mark included.
inline QStringList Headers(const common::ReportList& list) {
    QStringList captions;
    for (int column = 0; column < list.ColumnCount(); ++column) captions << list.ColumnText(column);
    return captions;
}

// A mouse click on a column header (the window must be shown).
inline void ClickHeader(common::ReportList& list, int column) {
    QHeaderView* header = list.header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

// "1" or "0" for each widget's enabled state.
inline QString Enabled(std::initializer_list<const QWidget*> widgets) {
    QString states;
    for (const QWidget* widget : widgets) states += widget->isEnabled() ? '1' : '0';
    return states;
}

}  // namespace listtext
