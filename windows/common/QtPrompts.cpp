#include "QtPrompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

#include "Installed.h"
#include "WaitCursor.h"
#include "windows/logon/LogonDialog.h"

namespace common {
namespace {

QMessageBox::Icon ToQt(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Information: return QMessageBox::Information;
    case Prompts::Icon::Exclamation: return QMessageBox::Warning;
    case Prompts::Icon::Question: return QMessageBox::Question;
    case Prompts::Icon::Critical: return QMessageBox::Critical;
    case Prompts::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

// A box asked under the wait cursor would show the hourglass over its buttons;
// the arrow is shown while the box is up and the wait cursor comes back after.
class NormalCursorWhileAsking final {
public:
    NormalCursorWhileAsking() : mWasWaiting(IsWaitCursorShown()) {
        if (mWasWaiting) ShowNormalCursor();
    }
    ~NormalCursorWhileAsking() {
        if (mWasWaiting) ShowWaitCursor();
    }
    NormalCursorWhileAsking(const NormalCursorWhileAsking&) = delete;
    NormalCursorWhileAsking& operator=(const NormalCursorWhileAsking&) = delete;

private:
    bool mWasWaiting;
};

}  // namespace

std::unique_ptr<QMessageBox> QtPrompts::NewMessageBox(QWidget* parent, const QString& text,
                                                      const QString& title, Icon icon,
                                                      bool yesNo) {
    auto box = std::make_unique<QMessageBox>(
        ToQt(icon), title, text, yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
        parent);
    // Texts carry server names and paths: never markup, never a link to follow.
    box->setTextFormat(Qt::PlainText);
    return box;
}

std::unique_ptr<QInputDialog> QtPrompts::NewInputBox(QWidget* parent, const QString& prompt,
                                                     const QString& title,
                                                     const QString& defaultText) {
    auto box = std::make_unique<QInputDialog>(parent);
    box->setWindowTitle(title);
    box->setInputMode(QInputDialog::TextInput);
    box->setLabelText(prompt);
    box->setTextValue(defaultText);
    // The dialog guesses its label's format; a recipient's name is plain text.
    for (QLabel* label : box->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    return box;
}

void QtPrompts::MessageBox(QWidget* parent, const QString& text, const QString& title,
                           Icon icon) {
    NormalCursorWhileAsking cursor;
    NewMessageBox(parent, text, title, icon, false)->exec();
}

bool QtPrompts::YesNo(QWidget* parent, const QString& text, const QString& title, Icon icon,
                      bool defaultYes) {
    NormalCursorWhileAsking cursor;
    const auto box = NewMessageBox(parent, text, title, icon, true);
    box->setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box->exec() == QMessageBox::Yes;
}

QString QtPrompts::InputBox(QWidget* parent, const QString& prompt, const QString& title,
                            const QString& defaultText) {
    NormalCursorWhileAsking cursor;
    const auto box = NewInputBox(parent, prompt, title, defaultText);
    return box->exec() == QDialog::Accepted ? box->textValue() : QString();
}

QString QtPrompts::SaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                QString& selectedFilter) {
    NormalCursorWhileAsking cursor;
    return QFileDialog::getSaveFileName(parent, title, QString(), filters.join(QStringLiteral(";;")),
                                        &selectedFilter);
}

std::optional<LogonAnswer> QtPrompts::LogOn(QWidget* parent, const LogonRequest& request) {
    NormalCursorWhileAsking cursor;
    LogonDialog dialog(request, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Answer();
}

bool QtPrompts::RunDialog(QDialog& dialog) {
    NormalCursorWhileAsking cursor;
    return dialog.exec() == QDialog::Accepted;
}

// The installed prompts: these real boxes unless a test put others in place.
namespace {
constinit Installed<Prompts, QtPrompts> gPrompts;
}  // namespace

Prompts& CurrentPrompts() { return gPrompts.Current(); }

std::shared_ptr<Prompts> SetPrompts(std::shared_ptr<Prompts> prompts) {
    return gPrompts.Replace(std::move(prompts));
}

}  // namespace common
