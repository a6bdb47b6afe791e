#include "QtPrompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "WaitCursor.h"

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

void QtPrompts::MessageBox(QWidget* parent, const QString& text, const QString& title,
                           Icon icon) {
    NormalCursorWhileAsking cursor;
    QMessageBox box(ToQt(icon), title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtPrompts::YesNo(QWidget* parent, const QString& text, const QString& title, Icon icon,
                      bool defaultYes) {
    NormalCursorWhileAsking cursor;
    QMessageBox box(ToQt(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtPrompts::InputBox(QWidget* parent, const QString& prompt, const QString& title,
                            const QString& defaultText) {
    NormalCursorWhileAsking cursor;
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

QString QtPrompts::SaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                QString& selectedFilter) {
    NormalCursorWhileAsking cursor;
    return QFileDialog::getSaveFileName(parent, title, QString(), filters.join(QStringLiteral(";;")),
                                        &selectedFilter);
}

}  // namespace common
