#pragma once
// The System Messages pane (Text1 of every window). Its content is one string
// with CR LF line ends, kept exactly as written so that commands can compare it
// with their status line; the view shows the same text with plain line breaks
// and every other control character escaped. A command shows its status line
// there.
#include <QPlainTextEdit>

namespace common {

class MessagePane final : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit MessagePane(QWidget* parent = nullptr);

    const QString& Text() const { return mText; }
    // Replaces the whole content.
    void SetText(const QString& text);
    // Appends `line` (which brings its own CR LF) and moves the caret to the
    // end, so the newest line scrolls into view. Nothing is ever trimmed; a
    // "Cancelled" line right after another adds nothing.
    void AppendLine(const QString& line);
    void Clear() { SetText(QString()); }

private:
    void MoveCaretToEnd();

    QString mText;
};

// A command's status line: `line` becomes the pane's whole content and is
// painted at once (events run, so the window may be closed meanwhile).
void BeginStatusLine(MessagePane& pane, const QString& line);
// `done` replaces the status line only while the pane holds exactly `start`:
// anything the command wrote under it stays to be read.
void EndStatusLine(MessagePane& pane, const QString& start, const QString& done);

}  // namespace common
