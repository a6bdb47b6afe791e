#include "MessagePane.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <QTextCursor>

#include "WindowParts.h"

namespace common {
namespace {

// The view knows only paragraph breaks; CR LF, the program's line end, becomes
// one. A lone CR or LF, or any other control, came with a server's text and
// is shown escaped, so it cannot start a line of its own.
QString ForDisplay(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(QLatin1String("\r\n"), start);
        shown += Escaped(QStringView(text).mid(start, end < 0 ? -1 : end - start));
        if (end < 0) break;
        shown += QLatin1Char('\n');
        start = end + 2;
    }
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
    // One Esc gives up the rest of its command too: its calls say so once.
    static const QString kCancelled = QStringLiteral("Cancelled\r\n");
    if (line == kCancelled && mText.endsWith(kCancelled)) return;
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

void BeginStatusLine(MessagePane& pane, const QString& line) {
    pane.SetText(line);
    QCoreApplication::processEvents();
}

void EndStatusLine(MessagePane& pane, const QString& start, const QString& done) {
    if (pane.Text() != start) return;
    pane.SetText(done);
    QCoreApplication::processEvents();
}

}  // namespace common
