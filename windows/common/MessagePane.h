#pragma once
// The System Messages pane (Text1 of every window). Its content is one string
// with CR LF line ends, kept exactly as written so that commands can compare it
// with their status line; the view shows the same text with plain line breaks
// and every other control character escaped.
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

}  // namespace common
