// Server text in the widgets every window shares: boxes show it as plain
// text, the pane keeps each message on its own line.
#include <gtest/gtest.h>

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

#include "windows/common/MessagePane.h"
#include "windows/common/QtPrompts.h"

namespace {

const QString kMarkup = R"(<img src="/dev/zero"><i>eve</i> <a href="https://example.invalid">x</a>)";

TEST(PlainText, BoxesNeverTakeServerTextForMarkup) {
    for (const bool yesNo : {false, true}) {
        const auto box = common::QtPrompts::NewMessageBox(nullptr, kMarkup, "Vantor",
                                                          common::Prompts::Icon::Information, yesNo);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->text(), kMarkup);
    }
    const auto input = common::QtPrompts::NewInputBox(nullptr, "Enter message to send to " + kMarkup,
                                                      "Send Message", QString());
    const auto labels = input->findChildren<QLabel*>();
    ASSERT_FALSE(labels.isEmpty());
    for (const QLabel* label : labels) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_FALSE(label->openExternalLinks());
    }
}

TEST(PlainText, OnlyTheProgramsOwnLineEndsBreakThePane) {
    common::MessagePane pane;
    pane.AppendLine("Error closing file C:\\a\nforged\rline\x1b[2J : Access is denied.\r\n");
    pane.AppendLine(QString::fromUtf16(u"second \u202Etxt.exe\u2028third\r\n"));
    EXPECT_EQ(pane.toPlainText(),
              "Error closing file C:\\a\\nforged\\rline\\x1b[2J : Access is denied.\n"
              "second \\u202etxt.exe\\u2028third\n");
    // The text itself is kept as written, for the commands that compare it.
    EXPECT_TRUE(pane.Text().contains("C:\\a\nforged"));
}

}  // namespace
