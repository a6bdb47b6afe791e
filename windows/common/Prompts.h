#pragma once
// Every modal question the windows ask goes through one Prompts object, so that
// tests answer them from a script instead of waiting on a real modal loop.
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "windows/logon/LogonRequest.h"

class QDialog;
class QWidget;

namespace common {

class Prompts {
public:
    enum class Icon { None, Information, Exclamation, Question, Critical };

    virtual ~Prompts() = default;

    // A message with an OK button.
    virtual void MessageBox(QWidget* parent, const QString& text, const QString& title,
                            Icon icon) = 0;
    // Yes and No buttons; true for Yes.
    virtual bool YesNo(QWidget* parent, const QString& text, const QString& title, Icon icon,
                       bool defaultYes) = 0;
    // An input box; a cancelled box answers the empty string, as the classic one does.
    virtual QString InputBox(QWidget* parent, const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;
    // A file to save to, chosen among `filters` ("CSV files (*.csv)"); the
    // empty string when cancelled. `selectedFilter` comes back as the chosen one.
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                 QString& selectedFilter) = 0;
    // "Log on to SERVER"; nothing when cancelled.
    virtual std::optional<LogonAnswer> LogOn(QWidget* parent, const LogonRequest& request) = 0;
    // One of the program's own dialogs, built and filled by the caller, run
    // modally; true when it was accepted.
    virtual bool RunDialog(QDialog& dialog) = 0;
};

// The program's prompts: real boxes (QtPrompts) unless a test installed others.
Prompts& CurrentPrompts();
// Installs `prompts` and returns the previous one (null when the default was active).
std::shared_ptr<Prompts> SetPrompts(std::shared_ptr<Prompts> prompts);

}  // namespace common
