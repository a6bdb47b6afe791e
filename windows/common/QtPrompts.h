#pragma once
// The real boxes: QMessageBox and QInputDialog, run modally.
#include <memory>

#include "Prompts.h"

class QInputDialog;
class QMessageBox;

namespace common {

class QtPrompts final : public Prompts {
public:
    void MessageBox(QWidget* parent, const QString& text, const QString& title,
                    Icon icon) override;
    bool YesNo(QWidget* parent, const QString& text, const QString& title, Icon icon,
               bool defaultYes) override;
    QString InputBox(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                         QString& selectedFilter) override;

    // The boxes as they are shown, built without running them.
    static std::unique_ptr<QMessageBox> NewMessageBox(QWidget* parent, const QString& text,
                                                      const QString& title, Icon icon,
                                                      bool yesNo);
    static std::unique_ptr<QInputDialog> NewInputBox(QWidget* parent, const QString& prompt,
                                                     const QString& title,
                                                     const QString& defaultText);
    std::optional<LogonAnswer> LogOn(QWidget* parent, const LogonRequest& request) override;
    bool RunDialog(QDialog& dialog) override;
};

}  // namespace common
