#pragma once
// The help text: "faq.fil" in the program's folder (or, for an installed
// program, in its data folder), shown in a window of the program's own, so
// that it opens wherever the program runs, whatever the desktop provides.
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

namespace about {

// `appPath`: the program's folder, ending in a separator.
QString HelpFilePath(const QString& appPath);

// Shows the help text over `parent` (one help window at a time; asked again,
// it comes to the front). Returns why it could not be shown, as one line for
// the System Messages pane, or an empty string.
QString OpenHelpFile(const QString& appPath, QWidget* parent);

// The window that shows the help text: read only, in a fixed-width font (the
// text lines up its tables with blanks); Close or Esc closes it.
class HelpWindow final : public QDialog {
    Q_OBJECT

public:
    HelpWindow(const QString& text, QWidget* parent);

    QPlainTextEdit* txtHelp;
    QPushButton* cmdClose;
};

// The help window while one is open, else null.
HelpWindow* OpenHelpWindow();

}  // namespace about
