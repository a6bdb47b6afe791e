// Copy and Export of every list, through the real windows offscreen, on a
// server whose text is hostile: markup, commas, quotes, line breaks, escape
// sequences and formula-leading names.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "sim/ScenarioLoader.h"
#include "support/ScriptedPrompts.h"
#include "support/WindowTestSupport.h"
#include "windows/common/ListCommands.h"
#include "windows/common/ListExport.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "windows/resources/frmResources.h"
#include "windows/shares/frmSharedResources.h"

using common::ListExport;
using common::ReportList;

namespace {

QAction* ActionNamed(ReportList& list, const QString& text) {
    for (QAction* action : list.actions())
        if (action->text() == text) return action;
    return nullptr;
}

class ListExportTest : public ::testing::Test {
protected:
    ListExportTest() { main.chosen = "ODDSRV"; }

    // Exports through the list's menu, answering the file dialog; what was written.
    std::string ExportVia(ReportList& list, const QString& name, const QString& filter,
                         const QString& written = {}) {
        prompts->saveAnswers.push_back({folder.filePath(name), filter});
        if (QAction* action = ActionNamed(list, QStringLiteral("Export\u2026"))) action->trigger();
        return windowtest::ReadAll(folder.filePath(written.isEmpty() ? name : written)).toStdString();
    }

    windowtest::Network network{sim::ParseScenario(
        windowtest::ReadAll(VANTOR_HOSTILE_SCENARIO).toStdString(), "hostile-lists.json")};
    windowtest::FakeMainForm main;
    common::PromptsScope prompts;
    QTemporaryDir folder;
};

// The server's text arrives as data, byte for byte, in the order and the
// columns shown; formula-leading cells are defused in CSV.
TEST_F(ListExportTest, ListsExportAsShownToCsvAndJsonAndCopyAsShown) {
    resources::frmResources files(main);
    shares::frmSharedResources shares(main);
    files.FillFirst();
    shares.FillFirst();
    common::ListCommands::ColumnClick(*files.lstvwResources, 1);

    // Every list's Export is the same code; these two hold every kind of hostile text.
    const std::vector<std::tuple<const char*, ReportList*, std::string>> lists = {
        {"files", files.lstvwResources,
         "Opened By,For,Locks,Path\r\n'@evil,Write,2,\"D:\\Odd\\a,b\\\"\"q\"\".txt\"\r\n"
         "'-2+3,Read,0,D:\\F\\=cmd|' /C calc'!A0\r\n"
         "<i>x</i>\x1b[2J,Read,0,\"D:\\Odd\\line1\nline2\r\x1b[31mred\u202etxt.exe\"\r\n"
         "'@evil,Read,0,D:\\Odd\\Ünïcødé 日本 BUDGET.xlsx\r\n"},
        {"shares", shares.lstvwShares, "Sharename,Uses,Path\r\nIPC$,3,\r\n\"Odd,Share\",2,D:\\Odd\r\n'=Formula,1,D:\\F\r\n"}};
    for (const auto& [name, list, csv] : lists) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ExportVia(*list, QString(name) + ".csv", ListExport::CsvFilter()), "\xEF\xBB\xBF" + csv);
    }
    // A name typed without a suffix gets the chosen filter's.
    EXPECT_EQ(ExportVia(*files.lstvwResources, "files", ListExport::JsonFilter(), "files.json"),
              "[\n"
              R"j({"Opened By":"@evil","For":"Write","Locks":"2","Path":"D:\\Odd\\a,b\\\"q\".txt"},)j" "\n"
              R"j({"Opened By":"-2+3","For":"Read","Locks":"0","Path":"D:\\F\\=cmd|' /C calc'!A0"},)j" "\n"
              R"j({"Opened By":"<i>x</i>\u001b[2J","For":"Read","Locks":"0","Path":"D:\\Odd\\line1\nline2\r\u001b[31mred)j"
              "\u202e" R"j(txt.exe"},)j" "\n"
              R"j({"Opened By":"@evil","For":"Read","Locks":"0","Path":"D:\\Odd\\Ünïcødé 日本 BUDGET.xlsx"})j" "\n"
              "]\n");
    EXPECT_EQ(prompts->unanswered(), 0);
    EXPECT_EQ(prompts->asked().back().defaultText, "CSV files (*.csv);;JSON files (*.json)");

    // Ctrl+C and Copy put the selected rows in display order under a header.
    ReportList& list = *files.lstvwResources;
    common::ListCommands::ColumnClick(list, 3);
    common::ListCommands::ColumnClick(list, 3);  // by path, descending: not the server's order
    list.DeselectAllRows();
    list.SetSelected(3, true);
    list.SetSelected(1, true);

    QApplication::clipboard()->clear();
    QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
    // The path with a line break, an escape sequence and a bidi override stays one field.
    const QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied, "Opened By\tFor\tLocks\tPath\n"
                      "<i>x</i>\\x1b[2J\tRead\t0\tD:\\Odd\\line1\\nline2\\r\\x1b[31mred\\u202etxt.exe\n"
                      "-2+3\tRead\t0\tD:\\F\\=cmd|' /C calc'!A0\n");

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

TEST_F(ListExportTest, CancelFailureATypedSuffixAReplacedFileAndCtrlE) {
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

    // ".json" typed while the filter says CSV: JSON, under the name typed.
    EXPECT_TRUE(ExportVia(list, "open-files.json", ListExport::CsvFilter()).starts_with("[\n{\"Sharename\""));
    EXPECT_FALSE(QFile::exists(folder.filePath("open-files.json.csv")));
    EXPECT_EQ(window.Text1->Text(), "Exported 3 rows to " + folder.filePath("open-files.json") + "\r\n");

    // "list" becomes list.csv after the dialog's own check: replacing it is asked first.
    QFile old(folder.filePath("list.csv"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("kept");
    old.close();
    prompts->yesNoAnswers = {false};
    EXPECT_EQ(ExportVia(list, "list", ListExport::CsvFilter(), "list.csv"), "kept");
    ASSERT_EQ(prompts->asked().back().kind, common::ScriptedPrompts::Kind::YesNo);
    EXPECT_TRUE(prompts->asked().back().text.startsWith(folder.filePath("list.csv") + " already exists"));
    EXPECT_FALSE(prompts->asked().back().defaultYes);
    prompts->yesNoAnswers = {true};
    EXPECT_TRUE(ExportVia(list, "list", ListExport::CsvFilter(), "list.csv").starts_with("\xEF\xBB\xBFSharename,"));

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
    EXPECT_EQ(prompts->unanswered(), 1) << "only the dialog cancelled at first";
}

}  // namespace
