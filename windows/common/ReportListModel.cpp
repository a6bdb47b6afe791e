#include "ReportListModel.h"

#include <QTextDocument>
#include <algorithm>
#include <numeric>
#include <string_view>
#include <utility>

#include "WindowParts.h"
#include "pattern/PatternMatch.h"

namespace common {
namespace {

std::u16string_view View(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

constexpr char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }

// Lower-cases `text` into `out`; false when it holds other than ASCII, which
// needs the full Unicode mapping.
bool AsciiLowerInto(std::u16string_view text, std::u16string& out) {
    out.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0x80) return false;
        out[i] = AsciiLower(c);
    }
    return true;
}

}  // namespace

QString ReportListModel::LowerKey(const QString& text) {
    // Most texts are ASCII: lowered by hand, and shared when already lower.
    const std::u16string_view in = View(text);
    std::size_t i = 0;
    for (; i < in.size(); ++i) {
        if (in[i] >= 0x80) return text.toLower();
        if (in[i] >= u'A' && in[i] <= u'Z') break;
    }
    if (i == in.size()) return text;
    QString out(text.size(), Qt::Uninitialized);
    auto* o = reinterpret_cast<char16_t*>(out.data());
    for (std::size_t k = 0; k < in.size(); ++k) {
        if (in[k] >= 0x80) return text.toLower();
        o[k] = AsciiLower(in[k]);
    }
    return out;
}

ReportListModel::ReportListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ReportListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(mOrder.size());
}

int ReportListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(mHeaders.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    // Server text: controls and bidi controls shown escaped, and a tooltip
    // that can never be taken for markup.
    case Qt::DisplayRole: return Escaped(CellRef(index.row(), index.column()));
    case Qt::ToolTipRole:
        return Qt::convertFromPlainText(Escaped(CellRef(index.row(), index.column())));
    case RecordRole: return Record(index.row());
    default: return {};
    }
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= mHeaders.size()) return {};
    return mHeaders[section];
}

Qt::ItemFlags ReportListModel::flags(const QModelIndex& index) const {
    // Rows are shown, never edited.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

void ReportListModel::BeginRebuild() {
    beginResetModel();
    mRebuilding = true;
    mHeaders.clear();
    mCells.clear();
    mTags.clear();
    mRecords.clear();
    mOrder.clear();
    mKeys.clear();
}

void ReportListModel::AddColumn(const QString& text) {
    mHeaders.append(text);
    // A column added after rows gives them an empty sub-item.
    mCells.emplace_back(mTags.size());
    mKeys.clear();
}

void ReportListModel::ReserveRows(int rows) {
    const auto n = static_cast<std::size_t>(std::max(rows, 0));
    for (auto& column : mCells) column.reserve(n);
    mTags.reserve(n);
    mRecords.reserve(n);
}

void ReportListModel::AddRow(std::initializer_list<QString> texts, const QString& tag,
                             int record) {
    AppendRow(texts.begin(), texts.size(), tag, record);
}

void ReportListModel::AddRow(const QStringList& texts, const QString& tag, int record) {
    AppendRow(texts.constData(), static_cast<std::size_t>(texts.size()), tag, record);
}

void ReportListModel::AppendRow(const QString* texts, std::size_t count, const QString& tag,
                                int record) {
    // Rows come only inside a rebuild, whose end makes the display order.
    std::size_t i = 0;
    for (auto& column : mCells) {
        if (i < count)
            column.push_back(texts[i]);
        else
            column.emplace_back();
        ++i;
    }
    mTags.push_back(tag);
    mRecords.push_back(record);
}

void ReportListModel::EndRebuild() {
    if (!mRebuilding) return;
    ResetOrder();
    ApplySort();
    mRebuilding = false;
    endResetModel();
}

void ReportListModel::ResetOrder() {
    mOrder.resize(mTags.size());
    std::iota(mOrder.begin(), mOrder.end(), 0);
}

QString ReportListModel::ColumnText(int column) const {
    return column >= 0 && column < mHeaders.size() ? mHeaders[column] : QString();
}

void ReportListModel::SetColumnText(int column, const QString& text) {
    if (column < 0 || column >= mHeaders.size() || mHeaders[column] == text) return;
    mHeaders[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QString ReportListModel::Cell(int row, int column) const { return CellRef(row, column); }

const QString& ReportListModel::CellRef(int row, int column) const {
    static const QString empty;
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return empty;
    return mCells[static_cast<std::size_t>(column)][static_cast<std::size_t>(StorageRow(row))];
}

QString ReportListModel::Tag(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    return mTags[static_cast<std::size_t>(StorageRow(row))];
}

int ReportListModel::Record(int row) const {
    if (row < 0 || row >= rowCount()) return kNoRecord;
    return mRecords[static_cast<std::size_t>(StorageRow(row))];
}

std::vector<int> ReportListModel::DisplayPositions() const {
    std::vector<int> positions(mOrder.size());
    for (std::size_t i = 0; i < mOrder.size(); ++i)
        positions[static_cast<std::size_t>(mOrder[i])] = static_cast<int>(i);
    return positions;
}

const std::vector<QString>& ReportListModel::Keys(int column) const {
    if (mKeys.size() != mCells.size()) {
        mKeys.clear();
        mKeys.resize(mCells.size());
    }
    auto& keys = mKeys[static_cast<std::size_t>(column)];
    const auto& cells = mCells[static_cast<std::size_t>(column)];
    if (keys.size() != cells.size()) {
        // Only the C locale exists on a bare machine, so case is folded here on
        // purpose instead of relying on a locale-aware compare.
        keys.clear();
        keys.reserve(cells.size());
        for (const QString& cell : cells) keys.push_back(LowerKey(cell));
    }
    return keys;
}

void ReportListModel::ApplySort() {
    if (!mSorted || mSortKey < 0 || mSortKey >= static_cast<int>(mCells.size())) return;
    const auto& keys = Keys(mSortKey);
    // Text order without regard to case; equal texts keep the order they came in.
    if (mSortOrder == Qt::AscendingOrder) {
        std::stable_sort(mOrder.begin(), mOrder.end(), [&keys](int a, int b) {
            return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)];
        });
    } else {
        std::stable_sort(mOrder.begin(), mOrder.end(), [&keys](int a, int b) {
            return keys[static_cast<std::size_t>(b)] < keys[static_cast<std::size_t>(a)];
        });
    }
}

void ReportListModel::Sort(int keyColumn, Qt::SortOrder order) {
    mSorted = true;
    mSortKey = keyColumn;
    mSortOrder = order;
    if (mRebuilding) return;  // EndRebuild sorts

    std::vector<int> sorted = mOrder;
    std::swap(sorted, mOrder);
    ApplySort();
    std::swap(sorted, mOrder);
    Reorder(std::move(sorted));
}

void ReportListModel::Reorder(std::vector<int> order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> oldOrder = std::exchange(mOrder, std::move(order));
    // Whatever the views hold on to (current row, pressed row) follows its row.
    const QModelIndexList held = persistentIndexList();
    if (!held.isEmpty()) {
        const std::vector<int> positions = DisplayPositions();
        QModelIndexList moved;
        moved.reserve(held.size());
        for (const QModelIndex& index : held) {
            const int storage = oldOrder[static_cast<std::size_t>(index.row())];
            moved.append(createIndex(positions[static_cast<std::size_t>(storage)], index.column()));
        }
        changePersistentIndexList(held, moved);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ReportListModel::AppendRows(RowBatch batch) {
    const std::size_t added = batch.tags.size();
    if (added == 0 || mRebuilding) return;
    const std::size_t first = mTags.size();
    const int at = rowCount();
    beginInsertRows(QModelIndex(), at, at + static_cast<int>(added) - 1);
    for (std::size_t c = 0; c < mCells.size(); ++c) {
        auto& column = mCells[c];
        if (c < batch.cells.size() && batch.cells[c].size() == added) {
            column.insert(column.end(), std::make_move_iterator(batch.cells[c].begin()),
                          std::make_move_iterator(batch.cells[c].end()));
        } else {
            column.resize(first + added);
        }
        // Keys made earlier grow with their column.
        if (c < mKeys.size() && mKeys[c].size() == first)
            for (std::size_t r = first; r < column.size(); ++r) mKeys[c].push_back(LowerKey(column[r]));
    }
    mTags.insert(mTags.end(), std::make_move_iterator(batch.tags.begin()),
                 std::make_move_iterator(batch.tags.end()));
    batch.records.resize(added, kNoRecord);
    mRecords.insert(mRecords.end(), batch.records.begin(), batch.records.end());
    for (std::size_t r = first; r < first + added; ++r) mOrder.push_back(static_cast<int>(r));
    endInsertRows();
    if (!mSorted || mSortKey < 0 || mSortKey >= static_cast<int>(mCells.size())) return;

    // The new rows sorted among themselves, then merged with the rows shown;
    // equal texts keep the order they came in.
    const auto& keys = Keys(mSortKey);
    const auto less = [&keys, this](int a, int b) {
        const auto& ka = keys[static_cast<std::size_t>(a)];
        const auto& kb = keys[static_cast<std::size_t>(b)];
        return mSortOrder == Qt::AscendingOrder ? ka < kb : kb < ka;
    };
    const auto newRows = mOrder.begin() + static_cast<std::ptrdiff_t>(at);
    std::vector<int> tail(newRows, mOrder.end());
    std::stable_sort(tail.begin(), tail.end(), less);
    std::vector<int> merged;
    merged.reserve(mOrder.size());
    std::merge(mOrder.begin(), newRows, tail.begin(), tail.end(), std::back_inserter(merged), less);
    Reorder(std::move(merged));
}

void ReportListModel::RemoveRecords(const std::vector<int>& records) {
    if (records.empty() || mRebuilding) return;
    std::vector<int> gone(records);
    std::sort(gone.begin(), gone.end());
    const auto drop = [&gone, this](std::size_t row) {
        return std::binary_search(gone.begin(), gone.end(), mRecords[row]);
    };
    beginResetModel();
    // Storage row -> its new number, or -1 when it goes.
    std::vector<int> renumber(mTags.size(), -1);
    std::size_t kept = 0;
    for (std::size_t row = 0; row < mTags.size(); ++row) {
        if (drop(row)) continue;
        renumber[row] = static_cast<int>(kept);
        for (auto& column : mCells) column[kept] = std::move(column[row]);
        mTags[kept] = std::move(mTags[row]);
        mRecords[kept] = mRecords[row];
        ++kept;
    }
    for (auto& column : mCells) column.resize(kept);
    mTags.resize(kept);
    mRecords.resize(kept);
    mKeys.clear();
    std::vector<int> order;
    order.reserve(kept);
    for (int row : mOrder)
        if (renumber[static_cast<std::size_t>(row)] >= 0) order.push_back(renumber[static_cast<std::size_t>(row)]);
    mOrder = std::move(order);
    endResetModel();
}

int ReportListModel::FindExact(const QString& text, const std::vector<int>& columns) const {
    const int rows = rowCount();
    for (int row = 0; row < rows; ++row) {
        const auto storage = static_cast<std::size_t>(StorageRow(row));
        for (int column : columns) {
            if (column < 0 || column >= columnCount()) continue;
            const QString& cell = mCells[static_cast<std::size_t>(column)][storage];
            if (cell.size() == text.size() && cell.compare(text, Qt::CaseInsensitive) == 0)
                return row;
        }
    }
    return -1;
}

int ReportListModel::FindPattern(const pattern::Pattern& pattern, int column) const {
    if (column < 0 || column >= columnCount()) return -1;
    const int rows = rowCount();
    const auto col = static_cast<std::size_t>(column);
    if (col < mKeys.size() && mKeys[col].size() == mCells[col].size()) {
        const auto& keys = mKeys[col];
        for (int row = 0; row < rows; ++row)
            if (pattern.Matches(View(keys[static_cast<std::size_t>(StorageRow(row))]))) return row;
        return -1;
    }
    // A find stops at its first match: lowering row by row into one buffer
    // costs less than making the keys of the whole column.
    const auto& cells = mCells[col];
    std::u16string lower;
    for (int row = 0; row < rows; ++row) {
        const QString& cell = cells[static_cast<std::size_t>(StorageRow(row))];
        if (!AsciiLowerInto(View(cell), lower)) lower = cell.toLower().toStdU16String();
        if (pattern.Matches(lower)) return row;
    }
    return -1;
}

}  // namespace common
