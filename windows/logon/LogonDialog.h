#pragma once
// "Log on to SERVER": user name, password and domain, in that order; Enter
// accepts, Esc cancels. The password field never leaves this dialog except
// in the answer handed to the one who asked.
#include <QDialog>

#include "LogonRequest.h"

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace common {

class LogonDialog final : public QDialog {
public:
    LogonDialog(const LogonRequest& request, QWidget* parent = nullptr);
    ~LogonDialog() override;

    // What was typed; call after the dialog was accepted.
    LogonAnswer Answer() const;

    QLabel* lblMessage;
    QLineEdit* txtUser;
    QLineEdit* txtPassword;
    QLineEdit* txtDomain;
    QCheckBox* chkRemember;
    QCheckBox* chkAllInDomain;
    QDialogButtonBox* buttons;

protected:
    // Centred on the window it serves (its parent's window), or on the screen
    // when that is not on screen: never in a corner, away from what it is about.
    void showEvent(QShowEvent* event) override;

private:
    void DomainChanged();
};

}  // namespace common
