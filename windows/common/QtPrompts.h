#pragma once
// The real boxes: QMessageBox and QInputDialog, run modally.
#include "Prompts.h"

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
};

}  // namespace common
