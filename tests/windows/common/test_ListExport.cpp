// Copy and Export of every list, through the real windows offscreen, on a
// server whose text is hostile: markup, commas, quotes, line breaks, escape
// sequences and formula-leading names.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>

#include "sim/ScenarioLoader.h"
#include "support/WindowTestSupport.h"
#include "listformat/Escape.h"
#include "listformat/Table.h"
#include "windows/common/ListCommands.h"
#include "windows/common/ListExport.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "support/ScriptedPrompts.h"
#include "windows/resources/frmResources.h"
#include "windows/sessions/frmUserSessions.h"
#include "windows/shares/frmSharedResources.h"

using common::ListExport;
using common::ReportList;
using nlohmann::ordered_json;

namespace {

QAction* ActionNamed(ReportList& list, const QString& text) {
    for (QAction* action : list.actions())
        if (action->text() == text) return action;
    return nullptr;
}

// What the list shows: captions (without the sort mark) and every cell, in display order.
std::vector<std::vector<std::string>> Shown(const ReportList& list) {
    std::vector<std::vector<std::string>> rows(1);
    for (int c = 0; c < list.ColumnCount(); ++c) {
        QString caption = list.ColumnText(c);
        if (caption.startsWith('*')) caption.remove(0, 1);
        rows[0].push_back(caption.toStdString());
    }
    for (int r = 0; r < list.RowCount(); ++r) {
        rows.emplace_back();
        for (int c = 0; c < list.ColumnCount(); ++c)
            rows.back().push_back((c == 0 ? list.Text(r) : list.SubItem(r, c)).toStdString());
    }
    return rows;
}

class ListExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        netapi::SetProvider(sim::LoadScenarioFile(VANTOR_HOSTILE_SCENARIO));
        main.chosen = "ODDSRV";
        prompts = std::make_shared<common::ScriptedPrompts>();
        previous = common::SetPrompts(prompts);
    }
    void TearDown() override {
        common::SetPrompts(previous);
        netapi::SetProvider(nullptr);
    }

    // Export through the list's context-menu action, answering the file dialog.
    QString ExportVia(ReportList& list, const QString& name, const QString& filter) {
        prompts->saveAnswers.push_back({folder.filePath(name), filter});
        QAction* action = ActionNamed(list, QStringLiteral("Export\u2026"));
        if (action == nullptr) return {};
        action->trigger();
        return folder.filePath(name);
    }

    // The CSV file read back by Python's csv module must be the shown list,
    // formula-leading cells with their apostrophe.
    bool CsvIsTheShownList(const QString& path, const ReportList& list) {
        ordered_json expected = ordered_json::array();
        for (const auto& row : Shown(list)) {
            ordered_json cells = ordered_json::array();
            for (const auto& cell : row) {
                const bool formula = !cell.empty() && std::string("=+-@").find(cell[0]) != std::string::npos &&
                                     !listformat::IsPlainInteger(cell);
                cells.push_back(formula ? "'" + cell : cell);
            }
            expected.push_back(cells);
        }
        const std::string expectedPath = folder.filePath("expected.json").toStdString();
        std::ofstream(expectedPath, std::ios::binary) << expected.dump();
        const std::string command = std::string("python3 ") + VANTOR_CSV_CHECK + " '" +
                                    path.toStdString() + "' " + expectedPath + " --bom";
        return std::system(command.c_str()) == 0;
    }

    // The JSON file parsed by nlohmann-json must be the shown list, keyed by caption.
    void ExpectJsonIsTheShownList(const QString& path, const ReportList& list) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const auto parsed = ordered_json::parse(file.readAll().toStdString());
        const auto shown = Shown(list);
        ASSERT_EQ(parsed.size() + 1, shown.size());
        for (std::size_t r = 0; r < parsed.size(); ++r) {
            std::vector<std::string> keys, values;
            for (const auto& [key, value] : parsed[r].items()) {
                keys.push_back(key);
                values.push_back(value.get<std::string>());
            }
            EXPECT_EQ(keys, shown[0]);
            EXPECT_EQ(values, shown[r + 1]);
        }
    }

    windowtest::FakeMainForm main;
    std::shared_ptr<common::ScriptedPrompts> prompts;
    std::shared_ptr<common::Prompts> previous;
    QTemporaryDir folder;
};

TEST_F(ListExportTest, CtrlCAndCopyPutTheSelectedRowsInDisplayOrderUnderAHeader) {
    resources::frmResources window(main);
    window.FillFirst();
    ReportList& list = *window.lstvwResources;
    ASSERT_EQ(list.RowCount(), 4);
    common::ListCommands::ColumnClick(list, 3);  // sorted by path: not the server's order
    list.DeselectAllRows();
    list.SetSelected(3, true);
    list.SetSelected(1, true);

    QApplication::clipboard()->clear();
    QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QApplication::clipboard()->text();
    const QStringList lines = copied.split('\n');
    ASSERT_EQ(lines.size(), 4) << copied.toStdString();  // header, two rows, the final line end
    EXPECT_EQ(lines[0], "Opened By\tFor\tLocks\tPath");
    auto escaped = [&](int row) {
        return QString::fromStdString(listformat::EscapeControls(list.Text(row).toStdString()));
    };
    EXPECT_EQ(lines[1].section('\t', 0, 0), escaped(1));
    EXPECT_EQ(lines[2].section('\t', 0, 0), escaped(3));
    EXPECT_EQ(lines[3], "");
    // The path with a line break, an escape sequence and a bidi override stays one field.
    EXPECT_TRUE(copied.contains("line1\\nline2\\r\\x1b[31mred\\u202etxt.exe")) << copied.toStdString();

    QApplication::clipboard()->clear();
    QAction* copy = ActionNamed(list, "Copy");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(list.contextMenuPolicy(), Qt::ActionsContextMenu);
    copy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), copied);

    // Nothing selected leaves the clipboard as it was.
    list.DeselectAllRows();
    copy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), copied);
}

TEST_F(ListExportTest, EveryListExportsAsShownToCsvAndJsonChosenByTheFilter) {
    resources::frmResources files(main);
    shares::frmSharedResources shares(main);
    sessions::frmUserSessions sessions(main);
    for (common::ToolWindowBase* window : {static_cast<common::ToolWindowBase*>(&files),
                                           static_cast<common::ToolWindowBase*>(&shares),
                                           static_cast<common::ToolWindowBase*>(&sessions)})
        window->FillFirst();
    common::ListCommands::ColumnClick(*files.lstvwResources, 1);
    const int oddShare = [&] {
        for (int r = 0; r < shares.lstvwShares->RowCount(); ++r)
            if (shares.lstvwShares->Text(r) == "Odd,Share") return r;
        return -1;
    }();
    ASSERT_GE(oddShare, 0);
    emit shares.lstvwShares->ItemClick(oddShare);
    emit sessions.lstvwUserSessions->ItemClick(0);

    const std::vector<std::pair<const char*, ReportList*>> lists = {
        {"files", files.lstvwResources},
        {"shares", shares.lstvwShares},
        {"share users", shares.lstvwConnectedUsers},
        {"sessions", sessions.lstvwUserSessions},
        {"session resources", sessions.lstvwResources}};
    for (const auto& [name, list] : lists) {
        SCOPED_TRACE(name);
        ASSERT_GE(list->RowCount(), 1);
        const QString csv = ExportVia(*list, QString(name) + ".csv", ListExport::CsvFilter());
        EXPECT_TRUE(CsvIsTheShownList(csv, *list));
        // A name typed without a suffix gets the chosen filter's.
        const QString json = ExportVia(*list, name, ListExport::JsonFilter()) + ".json";
        ExpectJsonIsTheShownList(json, *list);
    }
    EXPECT_EQ(prompts->unanswered(), 0);
    EXPECT_EQ(prompts->asked().back().defaultText, "CSV files (*.csv);;JSON files (*.json)");

    // The server's text arrives as data, byte for byte.
    QFile file(folder.filePath("files.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto rows = ordered_json::parse(file.readAll().toStdString());
    bool found = false;
    for (const auto& row : rows)
        found |= row["Path"] == "D:\\Odd\\line1\nline2\r\x1b[31mred\xe2\x80\xaetxt.exe" &&
                 row["Opened By"] == "<i>x</i>\x1b[2J";
    EXPECT_TRUE(found) << rows.dump();
}

TEST_F(ListExportTest, CancelWritesNothingAndAFileThatCannotBeWrittenIsSaid) {
    shares::frmSharedResources window(main);
    window.FillFirst();
    ReportList& list = *window.lstvwShares;
    EXPECT_TRUE(ListExport::Export(&window, list).isEmpty());  // nothing queued: cancelled
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());

    prompts->saveAnswers.push_back({folder.filePath("no/such/folder/x.csv"), ListExport::CsvFilter()});
    EXPECT_TRUE(ListExport::Export(&window, list).isEmpty());
    ASSERT_EQ(prompts->asked().back().kind, common::ScriptedPrompts::Kind::Message);
    EXPECT_EQ(prompts->asked().back().icon, common::Prompts::Icon::Critical);
    EXPECT_TRUE(prompts->asked().back().text.startsWith("The list could not be written to "));
}

TEST_F(ListExportTest, ATypedSuffixWinsAReplacedFileIsAskedForAndTheFileIsNamedInThePane) {
    shares::frmSharedResources window(main);
    window.FillFirst();
    ReportList& list = *window.lstvwShares;
    const int rows = list.RowCount();
    ASSERT_GE(rows, 2);

    // ".json" typed while the filter says CSV: JSON, under the name typed.
    ExportVia(list, "open-files.json", ListExport::CsvFilter());
    EXPECT_FALSE(QFile::exists(folder.filePath("open-files.json.csv")));
    ExpectJsonIsTheShownList(folder.filePath("open-files.json"), list);
    EXPECT_TRUE(window.Text1->Text().endsWith(
        QString("Exported %1 rows to %2\r\n").arg(rows).arg(folder.filePath("open-files.json"))))
        << window.Text1->Text().toStdString();

    // "list" becomes list.csv after the dialog's own check: replacing it is asked first.
    QFile old(folder.filePath("list.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("kept");
    old.close();
    prompts->yesNoAnswers = {false};
    ExportVia(list, "list", ListExport::CsvFilter());
    ASSERT_EQ(prompts->asked().back().kind, common::ScriptedPrompts::Kind::YesNo);
    EXPECT_TRUE(prompts->asked().back().text.startsWith(folder.filePath("list.csv") + " already exists"));
    EXPECT_FALSE(prompts->asked().back().defaultYes);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "kept");
    old.close();
    prompts->yesNoAnswers = {true};
    ExportVia(list, "list", ListExport::CsvFilter());
    EXPECT_TRUE(CsvIsTheShownList(folder.filePath("list.csv"), list));

    // Ctrl+E on the list exports it, and the menu shows the key beside the entry.
    QAction* exportAction = ActionNamed(list, QStringLiteral("Export\u2026"));
    ASSERT_NE(exportAction, nullptr);
    EXPECT_EQ(exportAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    EXPECT_TRUE(exportAction->isShortcutVisibleInContextMenu());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    list.setFocus();
    prompts->saveAnswers.push_back({folder.filePath("keyed.csv"), ListExport::CsvFilter()});
    QTest::keyClick(&list, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(folder.filePath("keyed.csv")));
    EXPECT_EQ(prompts->unanswered(), 0);
}

}  // namespace
