#include "MessagePane.h"

#include <QScrollBar>
#include <QTextCursor>

namespace common {
namespace {

// The view knows only paragraph breaks; CR LF (or a lone CR or LF) becomes one.
QString ForDisplay(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

}  // namespace

MessagePane::MessagePane(QWidget* parent) : QPlainTextEdit(parent) {
    // The content is the program's log; typing into it would make it disagree
    // with what the commands compare against.
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void MessagePane::SetText(const QString& text) {
    mText = text;
    setPlainText(ForDisplay(text));
}

void MessagePane::AppendLine(const QString& line) {
    // A CR LF pair split over two appends would show as two breaks: redraw whole.
    if (mText.endsWith(QLatin1Char('\r')) && line.startsWith(QLatin1Char('\n'))) {
        SetText(mText + line);
    } else {
        mText += line;
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(ForDisplay(line));
    }
    MoveCaretToEnd();
}

void MessagePane::MoveCaretToEnd() {
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}

}  // namespace common
