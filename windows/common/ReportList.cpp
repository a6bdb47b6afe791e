#include "ReportList.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionHeader>
#include <algorithm>
#include <cmath>

#include "ListExport.h"

namespace common {

ReportList::Rebuild::Rebuild(ReportList& list) : mList(list) {
    mList.mWidthFractions.clear();
    mList.mModel->BeginRebuild();
}

ReportList::Rebuild::~Rebuild() {
    // The reset drops the selection and the current row: nothing is carried over.
    mList.mModel->EndRebuild();
    mList.ApplyColumnWidths();
}

void ReportList::Rebuild::AddColumn(const QString& text, double widthFraction) {
    mList.mModel->AddColumn(text);
    mList.mWidthFractions.push_back(widthFraction);
}

void ReportList::Rebuild::AddColumns(std::initializer_list<Column> columns) {
    for (const Column& column : columns) AddColumn(column.text.toString(), column.widthFraction);
}

void ReportList::Rebuild::AddRow(std::initializer_list<QString> texts, const QString& tag,
                                  int record) {
    mList.mModel->AddRow(texts, tag, record);
}

void ReportList::Rebuild::AddRow(const QStringList& texts, const QString& tag, int record) {
    mList.mModel->AddRow(texts, tag, record);
}

void ReportList::Rebuild::ReserveRows(int rows) { mList.mModel->ReserveRows(rows); }

int ReportList::Record(int row) const {
    const QVariant record = mModel->data(mModel->index(row, 0), ReportListModel::RecordRole);
    return record.isValid() ? record.toInt() : ReportListModel::kNoRecord;
}

ReportList::ReportList(QWidget* parent) : QTreeView(parent), mModel(new ReportListModel(this)) {
    setModel(mModel);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);  // what keeps 100,000 rows cheap to lay out
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);  // the window decides what a header click does
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);

    QHeaderView* head = header();
    head->setStretchLastSection(false);
    head->setSectionsMovable(false);
    head->setSectionsClickable(true);
    head->setSortIndicatorShown(false);  // the "*" in the caption marks the key
    head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(head, &QHeaderView::sectionClicked, this, [this](int column) { emit ColumnClick(column); });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) emit ItemClick(index.row());
    });

    // Every list can leave the window: its context menu holds these two.
    auto* copy = new QAction(QStringLiteral("Copy"), this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    copy->setShortcutVisibleInContextMenu(true);
    connect(copy, &QAction::triggered, this, [this] { ListExport::Copy(*this); });
    auto* exportList = new QAction(QStringLiteral("Export\u2026"), this);
    exportList->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    exportList->setShortcutContext(Qt::WidgetShortcut);
    exportList->setShortcutVisibleInContextMenu(true);
    connect(exportList, &QAction::triggered, this, [this] { ListExport::Export(window(), *this); });
    addActions({copy, exportList});
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void ReportList::Clear() { Rebuild clear(*this); }

void ReportList::ApplyColumnWidths() {
    const int listWidth = width();
    const int columns = static_cast<int>(mWidthFractions.size());
    std::vector<int> widths(mWidthFractions.size());
    int planned = 0;
    int given = 0;
    for (int i = 0; i < columns; ++i) {
        const int w = std::max(0, static_cast<int>(std::lround(mWidthFractions[i] * listWidth)));
        planned += w;
        // No caption is cut short, however small its fraction.
        widths[i] = std::max(w, CaptionWidth(i));
        given += widths[i];
    }
    // Columns that fitted the list still fit: what the captions took comes
    // from the widest columns, never below their own captions.
    int excess = planned <= listWidth ? given - listWidth : 0;
    while (excess > 0) {
        int widest = -1;
        for (int i = 0; i < columns; ++i)
            if (widths[i] > CaptionWidth(i) && (widest < 0 || widths[i] > widths[widest])) widest = i;
        if (widest < 0) break;
        const int take = std::min(excess, widths[widest] - CaptionWidth(widest));
        widths[widest] -= take;
        excess -= take;
    }
    for (int i = 0; i < columns; ++i) header()->resizeSection(i, widths[i]);
}

int ReportList::CaptionWidth(int column) const {
    QStyleOptionHeader option;
    option.initFrom(header());
    option.section = column;
    option.text = ColumnText(column);
    return header()->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header())
        .width();
}

void ReportList::SetColumnText(int column, const QString& text) {
    mModel->SetColumnText(column, text);
    if (column >= 0 && column < ColumnCount() && ColumnWidth(column) < CaptionWidth(column))
        header()->resizeSection(column, CaptionWidth(column));
}

int ReportList::ColumnWidth(int column) const { return header()->sectionSize(column); }

bool ReportList::IsSelected(int row) const {
    if (row < 0 || row >= RowCount()) return false;
    return selectionModel()->isRowSelected(row, QModelIndex());
}

void ReportList::SetSelected(int row, bool selected) {
    if (row < 0 || row >= RowCount()) return;
    selectionModel()->select(mModel->index(row, 0),
                             (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                 QItemSelectionModel::Rows);
}

void ReportList::SelectAllRows() {
    if (RowCount() == 0 || ColumnCount() == 0) return;
    const QItemSelection all(mModel->index(0, 0), mModel->index(RowCount() - 1, ColumnCount() - 1));
    selectionModel()->select(all, QItemSelectionModel::Select);
}

void ReportList::DeselectAllRows() { selectionModel()->clearSelection(); }

std::vector<int> ReportList::SelectedRows() const {
    std::vector<int> rows;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange& range : selection)
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    // Ranges of a row selection can overlap when the user extends it by hand.
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int ReportList::SelectedCount() const { return static_cast<int>(SelectedRows().size()); }

int ReportList::CurrentRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ReportList::SetCurrentRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    selectionModel()->setCurrentIndex(mModel->index(row, 0), QItemSelectionModel::NoUpdate);
}

void ReportList::EnsureVisible(int row) {
    if (row < 0 || row >= RowCount()) return;
    scrollTo(mModel->index(row, 0), QAbstractItemView::EnsureVisible);
}

void ReportList::SortBy(int keyColumn, Qt::SortOrder order) {
    // Selected rows are remembered by their storage position and selected
    // again after the move, as whole ranges: a large selection would otherwise
    // be tracked row by row through the layout change.
    std::vector<int> selected;
    for (int row : SelectedRows()) selected.push_back(mModel->StorageRow(row));
    if (!selected.empty()) selectionModel()->clearSelection();

    mModel->Sort(keyColumn, order);

    if (selected.empty()) return;
    const std::vector<int> positions = mModel->DisplayPositions();
    std::vector<int> rows;
    rows.reserve(selected.size());
    for (int storage : selected) rows.push_back(positions[static_cast<std::size_t>(storage)]);
    std::sort(rows.begin(), rows.end());
    QItemSelection selection;
    const int lastColumn = std::max(ColumnCount() - 1, 0);
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) ++j;
        selection.select(mModel->index(rows[i], 0), mModel->index(rows[j], lastColumn));
        i = j + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::Select);
}

void ReportList::keyPressEvent(QKeyEvent* event) {
    // The view's own Ctrl+C copies one cell; here it copies the selected rows.
    if (event->matches(QKeySequence::Copy)) {
        ListExport::Copy(*this);
        event->accept();
        return;
    }
    const int before = CurrentRow();
    QTreeView::keyPressEvent(event);
    const int after = CurrentRow();
    if (after >= 0 && after != before) emit ItemClick(after);
}

}  // namespace common
