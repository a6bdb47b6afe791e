#include "LogonDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace common {

LogonDialog::LogonDialog(const LogonRequest& request, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Log on to ") + request.server);
    setModal(true);

    lblMessage = new QLabel(this);
    lblMessage->setTextFormat(Qt::PlainText);  // the server's name is data
    lblMessage->setWordWrap(true);
    lblMessage->setText(request.message);

    txtUser = new QLineEdit(request.user, this);
    txtPassword = new QLineEdit(this);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtDomain = new QLineEdit(request.domain, this);
    for (QLineEdit* field : {txtUser, txtPassword, txtDomain}) field->setMaxLength(256);

    chkRemember = new QCheckBox(QStringLiteral("&Remember in the keyring"), this);
    chkRemember->setChecked(request.remember);
    chkRemember->setEnabled(request.keyringAvailable);
    if (!request.keyringAvailable)
        chkRemember->setToolTip(QStringLiteral(" No keyring (Secret Service) is running "));
    chkAllInDomain = new QCheckBox(this);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&User name:"), txtUser);
    form->addRow(QStringLiteral("&Password:"), txtPassword);
    form->addRow(QStringLiteral("&Domain:"), txtDomain);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    layout->addLayout(form);
    layout->addWidget(chkRemember);
    layout->addWidget(chkAllInDomain);
    layout->addWidget(buttons);
    setTabOrder(txtUser, txtPassword);
    setTabOrder(txtPassword, txtDomain);
    setTabOrder(txtDomain, chkRemember);
    setTabOrder(chkRemember, chkAllInDomain);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(txtDomain, &QLineEdit::textChanged, this, [this] { DomainChanged(); });
    DomainChanged();
    (request.user.isEmpty() ? txtUser : txtPassword)->setFocus();
    setMinimumWidth(360);
}

void LogonDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const QWidget* over = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    QRect place(QPoint(), frameGeometry().size());
    if (over != nullptr && over->isVisible()) {
        place.moveCenter(over->frameGeometry().center());
    } else if (const QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen()) {
        place.moveCenter(where->availableGeometry().center());
    } else {
        return;
    }
    move(place.topLeft());
}

LogonDialog::~LogonDialog() {
    // Qt keeps no copy of a password field's text beyond the field itself.
    txtPassword->clear();
}

void LogonDialog::DomainChanged() {
    const QString domain = txtDomain->text().trimmed();
    chkAllInDomain->setText(domain.isEmpty()
                                ? QStringLiteral("Use for all &servers in the domain")
                                : QStringLiteral("Use for all &servers in ") + domain);
    chkAllInDomain->setEnabled(!domain.isEmpty());
    if (domain.isEmpty()) chkAllInDomain->setChecked(false);
}

LogonAnswer LogonDialog::Answer() const {
    LogonAnswer answer;
    answer.user = txtUser->text().trimmed();
    answer.password = txtPassword->text();
    answer.domain = txtDomain->text().trimmed();
    answer.remember = chkRemember->isEnabled() && chkRemember->isChecked();
    answer.allInDomain = chkAllInDomain->isEnabled() && chkAllInDomain->isChecked();
    return answer;
}

}  // namespace common
