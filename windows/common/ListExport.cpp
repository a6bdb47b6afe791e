#include "ListExport.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QWidget>
#include <numeric>

#include "Product.h"
#include "Prompts.h"
#include "listformat/Formats.h"
#include "netenum/MessageTarget.h"

namespace common {
namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace

const QString& ListExport::CsvFilter() {
    static const QString filter = QStringLiteral("CSV files (*.csv)");
    return filter;
}

const QString& ListExport::JsonFilter() {
    static const QString filter = QStringLiteral("JSON files (*.json)");
    return filter;
}

listformat::Table ListExport::TableOf(const ListContent& list, const std::vector<int>& rows) {
    listformat::Table table;
    const int columns = list.ColumnCount();
    table.columns.reserve(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        QString caption = list.ColumnText(c);
        // The "*" that marks the sort key belongs to the header, not to the name.
        if (list.IsSorted() && c == list.SortKey() && caption.startsWith(QLatin1Char('*')))
            caption.remove(0, 1);
        table.columns.push_back({Utf8(caption)});
    }
    table.Reserve(rows.size());
    for (const int row : rows) {
        std::vector<std::string> cells;
        cells.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) cells.push_back(Utf8(list.CellRef(row, c)));
        table.AddRow(std::move(cells));
    }
    return table;
}

void ListExport::Copy(const ListContent& list) {
    const std::vector<int> rows = list.SelectedRows();
    if (rows.empty()) return;
    const std::string text = listformat::ToTsv(TableOf(list, rows));
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

QString ListExport::Export(QWidget* parent, const ListContent& list) {
    QString filter = CsvFilter();
    QString fileName = CurrentPrompts().SaveFileName(parent, QStringLiteral("Export List"),
                                                      {CsvFilter(), JsonFilter()}, filter);
    if (fileName.isEmpty()) return {};
    // A suffix typed that names a format wins; otherwise the filter decides
    // and its suffix is added.
    bool json = filter == JsonFilter();
    if (fileName.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) json = true;
    else if (fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) json = false;
    const QString suffix = json ? QStringLiteral(".json") : QStringLiteral(".csv");
    if (!fileName.endsWith(suffix, Qt::CaseInsensitive)) {
        fileName += suffix;
        // The dialog asked about replacing the name typed, not this one.
        if (QFileInfo::exists(fileName) &&
            !CurrentPrompts().YesNo(parent,
                                    QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()) +
                                        QStringLiteral(" already exists.\nDo you want to replace it?"),
                                    ProductName(), Prompts::Icon::Question, false))
            return {};
    }

    std::vector<int> rows(static_cast<std::size_t>(list.RowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    const listformat::Table table = TableOf(list, rows);
    const std::string bytes = json ? listformat::ToJson(table) : listformat::ToCsv(table, true);

    // Written whole or not at all: an earlier file of that name survives a failure.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        CurrentPrompts().MessageBox(parent,
                                    QStringLiteral("The list could not be written to %1: %2")
                                        .arg(QFileInfo(fileName).absoluteFilePath(), file.errorString()),
                                    ProductName(), Prompts::Icon::Critical);
        return {};
    }
    // Said where the list came from, so that the file can be found again.
    if (auto* pane = dynamic_cast<netenum::MessageSink*>(parent)) {
        const QString line =
            QStringLiteral("Exported %1 %2 to %3\r\n")
                .arg(QString::number(rows.size()),
                     rows.size() == 1 ? QStringLiteral("row") : QStringLiteral("rows"),
                     QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath()));
        pane->AppendLine(line.toStdU16String());
    }
    return fileName;
}

}  // namespace common
