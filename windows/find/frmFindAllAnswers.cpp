// The answers of a run shown: rows into the lists, outcomes into lines.
#include <algorithm>
#include <map>

#include "FindText.h"
#include "frmFindAll.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"

namespace find {

using common::Q;

void frmFindAll::ShowRows(const search::ComputerAnswer& answer) {
    const bool files = mRunKind == Run::Files;
    const std::size_t perRow = search::CellsPerRow(files ? search::JobKind::Files : search::JobKind::Sessions);
    if (answer.answer.cellCount % perRow != 0) {
        Line(OneLine(Q(RunComputer(answer.index))) + QStringLiteral(": the answer was unreadable"));
        return;
    }
    const std::size_t rows = answer.answer.cellCount / perRow;
    if (rows == 0) return;
    common::ReportList* list = files ? lstvwFiles : lstvwSessions;
    std::vector<Found>& records = files ? mFiles : mSessions;
    common::ReportListModel::RowBatch batch;
    batch.cells.resize(static_cast<std::size_t>(list->ColumnCount()));
    for (auto& column : batch.cells) column.reserve(rows);
    batch.tags.reserve(rows);
    batch.records.reserve(rows);
    const QString computer = Q(RunComputer(answer.index));
    const std::uint32_t index = mRunComputers[answer.index];
    std::size_t cell = 0;
    Found found{index, 0};
    answer.answer.ForEachCell([&](std::string_view text) {
        const std::size_t at = cell++ % perRow;
        if (at == 0) batch.cells[0].push_back(computer);
        if (files) {
            switch (at) {
                case 0: found.id = static_cast<std::uint32_t>(std::strtoul(std::string(text).c_str(), nullptr, 10));
                        batch.tags.push_back(FromUtf8(text));
                        break;
                case 1: batch.cells[kFileUser].push_back(FromUtf8(text)); break;
                case 2: batch.cells[kFileFor].push_back(AccessWord(static_cast<std::uint32_t>(std::strtoul(std::string(text).c_str(), nullptr, 10)))); break;
                case 3: batch.cells[kFileLocks].push_back(FromUtf8(text)); break;
                case 4: batch.cells[kFilePath].push_back(FromUtf8(text)); break;
            }
        } else {
            if (at == 0) batch.tags.emplace_back();
            batch.cells[at + 1].push_back(FromUtf8(text));
        }
        if (at == perRow - 1) {
            batch.records.push_back(static_cast<int>(records.size()));
            records.push_back(found);
        }
    });
    list->Model()->AppendRows(std::move(batch));
}

void frmFindAll::ShowOutcomes(const search::ComputerAnswer& answer) {
    const bool files = mRunKind == Run::CloseFiles;
    common::ReportList* list = files ? lstvwFiles : lstvwSessions;
    const std::vector<int>& targets = mTargets[answer.index];
    const QString computer = OneLine(Q(RunComputer(answer.index)));
    // Each target's row text, for its line.
    std::map<int, QString> what;
    for (int record : targets) what[record];
    for (int row = 0, rows = list->RowCount(); row < rows; ++row) {
        const auto it = what.find(list->Record(row));
        if (it == what.end()) continue;
        it->second = files ? list->SubItem(row, kFilePath)
                           : list->SubItem(row, kSessionUser) + QStringLiteral(" from ") +
                                 list->SubItem(row, kSessionClient);
    }
    std::size_t i = 0;
    std::string outcome;
    answer.answer.ForEachCell([&](std::string_view text) {
        const bool first = (i % search::kOutcomeCells) == 0;
        const std::size_t target = i / search::kOutcomeCells;
        ++i;
        if (first) {
            outcome = std::string(text);
            return;
        }
        if (target >= targets.size()) return;
        const int record = targets[target];
        const QString row = OneLine(what[record]);
        if (outcome == search::kDone) {
            ++mDone;
            mGone.push_back(record);
        } else if (outcome == search::kNoLongerOpen) {
            ++mNoLonger;
            mGone.push_back(record);
            Line(computer + QStringLiteral(": ") + row +
                 (files ? QStringLiteral(": no longer open (nothing closed)")
                        : QStringLiteral(": no longer connected")));
        } else {
            ++mRowFailures;
            Line(computer + QStringLiteral(": ") + row + QStringLiteral(": ") + OneLine(FromUtf8(text)));
        }
    });
    // A computer that gave no outcome (it failed as a whole) failed every row.
    const std::size_t answered = i / search::kOutcomeCells;
    if (answered < targets.size()) mRowFailures += targets.size() - answered;
}

}  // namespace find
