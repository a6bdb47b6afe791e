#include "ShareDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "netenum/ShareEdit.h"
#include "netenum/ShareNames.h"
#include "windows/common/Prompts.h"
#include "windows/common/WindowParts.h"

namespace shares {
namespace {

using common::CurrentPrompts;
using common::Prompts;
using netapi::ShareRight;

constexpr ShareRight kGridRights[PermissionsEditor::kRows] = {ShareRight::Full, ShareRight::Change,
                                                              ShareRight::Read, ShareRight::Special};

QString Plain(std::u16string_view text) { return common::Escaped(common::Q(text)); }

QLabel* PlainLabel(const QString& text, QWidget* parent = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QWidget* LimitRow(UserLimitFields& limit, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    limit.optMaximum = new QRadioButton(QStringLiteral("&Maximum allowed"), box);
    limit.optAllow = new QRadioButton(QStringLiteral("Allo&w this number of users:"), box);
    limit.txtUsers = new QLineEdit(box);
    limit.txtUsers->setMaxLength(10);
    limit.txtUsers->setFixedWidth(limit.txtUsers->fontMetrics().horizontalAdvance(u'0') * 11);
    row->addWidget(limit.optMaximum);
    row->addSpacing(12);
    row->addWidget(limit.optAllow);
    row->addWidget(limit.txtUsers);
    row->addStretch();
    QObject::connect(limit.optAllow, &QRadioButton::toggled, limit.txtUsers, &QLineEdit::setEnabled);
    // Typing a number means that number.
    QObject::connect(limit.txtUsers, &QLineEdit::textEdited, limit.optAllow,
                     [&limit] { limit.optAllow->setChecked(true); });
    return box;
}

// Refuses with a message and puts the focus on the field at fault.
bool Refused(QDialog* dialog, const std::optional<QString>& problem) {
    if (!problem) return false;
    CurrentPrompts().MessageBox(dialog, *problem, dialog->windowTitle(), Prompts::Icon::Exclamation);
    return true;
}

QString LimitProblem() {
    return QStringLiteral("The user limit must be a number from 1 to %1.").arg(netapi::kMaxUserLimit);
}

}  // namespace

// ---- the permissions grid

PermissionsEditor::PermissionsEditor(PermissionList& list, AccountLookUp lookUp, QWidget* parent)
    : QWidget(parent), mList(list), mLookUp(std::move(lookUp)) {
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QStringLiteral("&Group or user names:"), this);
    lstAccounts = new QListWidget(this);
    caption->setBuddy(lstAccounts);
    cmdAdd = new QPushButton(QStringLiteral("A&dd..."), this);
    cmdRemove = new QPushButton(QStringLiteral("&Remove"), this);
    auto* buttonsRow = new QHBoxLayout;
    buttonsRow->addStretch();
    buttonsRow->addWidget(cmdAdd);
    buttonsRow->addWidget(cmdRemove);

    auto* grid = new QGridLayout;
    lblPermissionsFor = PlainLabel(QString(), this);
    grid->addWidget(lblPermissionsFor, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Allow"), this), 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("Deny"), this), 0, 2, Qt::AlignHCenter);
    const QString names[kRows] = {QStringLiteral("&Full Control"), QStringLiteral("&Change"),
                                  QStringLiteral("R&ead"), QStringLiteral("Special")};
    for (int row = 0; row < kRows; ++row) {
        auto* label = new QLabel(names[row], this);
        chkAllow[row] = new QCheckBox(this);
        chkDeny[row] = new QCheckBox(this);
        label->setBuddy(chkAllow[row]);
        chkAllow[row]->setAccessibleName(QStringLiteral("Allow ") + QString(names[row]).remove(u'&'));
        chkDeny[row]->setAccessibleName(QStringLiteral("Deny ") + QString(names[row]).remove(u'&'));
        grid->addWidget(label, row + 1, 0);
        grid->addWidget(chkAllow[row], row + 1, 1, Qt::AlignHCenter);
        grid->addWidget(chkDeny[row], row + 1, 2, Qt::AlignHCenter);
        if (kGridRights[row] == ShareRight::Special) {
            // Shown as the server holds them, and kept: not edited here.
            chkAllow[row]->setEnabled(false);
            chkDeny[row]->setEnabled(false);
            continue;
        }
        connect(chkAllow[row], &QCheckBox::toggled, this, [this, row](bool on) { Toggled(row, false, on); });
        connect(chkDeny[row], &QCheckBox::toggled, this, [this, row](bool on) { Toggled(row, true, on); });
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnMinimumWidth(1, 60);
    grid->setColumnMinimumWidth(2, 60);

    layout->addWidget(caption);
    layout->addWidget(lstAccounts, 1);
    layout->addLayout(buttonsRow);
    layout->addSpacing(6);
    layout->addLayout(grid);

    connect(lstAccounts, &QListWidget::currentRowChanged, this, [this] { ShowGrid(); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { AddAccount(); });
    connect(cmdRemove, &QPushButton::clicked, this, [this] { RemoveAccount(); });
    FillAccounts(0);
}

void PermissionsEditor::FillAccounts(int current) {
    lstAccounts->blockSignals(true);
    lstAccounts->clear();
    for (const auto& account : mList.Accounts()) lstAccounts->addItem(Plain(account.name));
    lstAccounts->blockSignals(false);
    lstAccounts->setCurrentRow(std::min(current, lstAccounts->count() - 1));
    ShowGrid();
}

void PermissionsEditor::Select(int row) { lstAccounts->setCurrentRow(row); }

void PermissionsEditor::ShowGrid() {
    const int index = lstAccounts->currentRow();
    const bool any = index >= 0 && index < int(mList.Accounts().size());
    cmdRemove->setEnabled(any);
    lblPermissionsFor->setText(any ? QStringLiteral("Permissions for ") +
                                         Plain(mList.Accounts()[index].name)
                                   : QStringLiteral("Permissions"));
    mShowing = true;
    for (int row = 0; row < kRows; ++row) {
        const bool special = kGridRights[row] == ShareRight::Special;
        for (const bool deny : {false, true}) {
            QCheckBox* box = deny ? chkDeny[row] : chkAllow[row];
            box->setChecked(any && PermissionList::Checked(mList.Accounts()[index], kGridRights[row], deny));
            if (!special) box->setEnabled(any);
        }
    }
    mShowing = false;
}

void PermissionsEditor::Toggled(int row, bool deny, bool checked) {
    if (mShowing) return;
    mList.Set(lstAccounts->currentRow(), kGridRights[row], deny, checked);
    ShowGrid();  // the rights a right holds follow it
}

void PermissionsEditor::AddAccount() {
    const QString typed = common::TrimSpaces(CurrentPrompts().InputBox(
        this, QStringLiteral("Account (user or group name, DOMAIN\\name, or a SID):"),
        QStringLiteral("Add Account"), QString()));
    if (typed.isEmpty()) return;
    const auto found = mLookUp(typed);
    if (!found) return;
    FillAccounts(mList.Add(found->sid, found->name));
}

void PermissionsEditor::RemoveAccount() {
    const int index = lstAccounts->currentRow();
    if (index < 0) return;
    mList.Remove(index);
    FillAccounts(index);
}

// ---- the user limit

void UserLimitFields::Show(netapi::DWORD maxUses) {
    const bool unlimited = maxUses == netapi::SHI_USES_UNLIMITED || maxUses > netapi::kMaxUserLimit;
    optMaximum->setChecked(unlimited);
    optAllow->setChecked(!unlimited);
    txtUsers->setEnabled(!unlimited);
    txtUsers->setText(unlimited ? QStringLiteral("10") : QString::number(maxUses));
}

std::optional<netapi::DWORD> UserLimitFields::Value() const {
    if (optMaximum->isChecked()) return netapi::SHI_USES_UNLIMITED;
    bool ok = false;
    const qulonglong n = txtUsers->text().trimmed().toULongLong(&ok);
    if (!ok || n == 0 || n > netapi::kMaxUserLimit) return std::nullopt;
    return netapi::DWORD(n);
}

// ---- New Share

dlgNewShare::dlgNewShare(const QString& server, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("New Share on ") + common::Escaped(server));
    auto* form = new QFormLayout;
    txtName = new QLineEdit(this);
    txtName->setMaxLength(int(netapi::NNLEN) + 1);  // one over, so that "too long" is said
    txtPath = new QLineEdit(this);
    txtPath->setPlaceholderText(QStringLiteral("D:\\Shares\\Projects or /srv/projects"));
    txtRemark = new QLineEdit(this);
    txtRemark->setMaxLength(256);
    cboPermissions = new QComboBox(this);
    cboPermissions->addItems({QStringLiteral("Everyone has read-only access"),
                              QStringLiteral("Administrators have full control; everyone has read access"),
                              QStringLiteral("Custom permissions...")});
    form->addRow(QStringLiteral("Share &name:"), txtName);
    form->addRow(QStringLiteral("&Path on the server:"), txtPath);
    form->addRow(QStringLiteral("&Description:"), txtRemark);
    form->addRow(QStringLiteral("User limit:"), LimitRow(limit, this));
    form->addRow(QStringLiteral("Pe&rmissions:"), cboPermissions);
    limit.Show(netapi::SHI_USES_UNLIMITED);
    buttons = OkCancel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    txtPath->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("D:\\Shares\\Projects\\Department")));
}

dlgNewShare::Preset dlgNewShare::ChosenPreset() const { return Preset(cboPermissions->currentIndex()); }

netapi::SecurityDescriptor dlgNewShare::PresetDescriptor(Preset preset) {
    netapi::SecurityDescriptor sd;
    if (preset == Preset::AdministratorsFull)
        sd.dacl.push_back(netapi::Ace::Allow(netapi::AdministratorsSid(), netapi::SHARE_ACCESS_FULL));
    sd.dacl.push_back(netapi::Ace::Allow(netapi::EveryoneSid(), netapi::SHARE_ACCESS_READ));
    return sd;
}

std::optional<QString> dlgNewShare::Problem() {
    const QString name = common::TrimSpaces(txtName->text());
    if (name.isEmpty()) {
        txtName->setFocus();
        return QStringLiteral("Type a name for the share.");
    }
    if (const auto why = netapi::ShareNameProblem(name.toStdU16String())) {
        txtName->setFocus();
        return QStringLiteral("The share name cannot be used: ") + QString::fromStdString(*why) + u'.';
    }
    const QString path = common::TrimSpaces(txtPath->text());
    if (path.isEmpty() || !netapi::IsAbsoluteServerPath(path.toStdU16String())) {
        txtPath->setFocus();
        return QStringLiteral("Type the folder's full path as the server writes it, "
                              "for example D:\\Shares\\Projects or /srv/projects.");
    }
    if (!limit.Value()) {
        limit.txtUsers->setFocus();
        return LimitProblem();
    }
    return std::nullopt;
}

void dlgNewShare::accept() {
    if (!Refused(this, Problem())) QDialog::accept();
}

// ---- Properties

dlgShareProperties::dlgShareProperties(const QString& name, const netapi::ShareDetails& details,
                                       std::optional<netapi::DWORD> flags, PermissionList& list,
                                       AccountLookUp lookUp, QWidget* parent)
    : QDialog(parent), mPermissions(list), mFlags(flags) {
    setWindowTitle(common::Escaped(name) + QStringLiteral(" Properties"));
    tabs = new QTabWidget(this);

    auto* general = new QWidget(tabs);
    auto* form = new QFormLayout(general);
    lblName = PlainLabel(common::Escaped(name), general);
    lblPath = PlainLabel(Plain(details.path.value_or(u"")), general);
    lblPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    txtRemark = new QLineEdit(common::Escaped(common::Q(details.remark.value_or(u""))), general);
    txtRemark->setMaxLength(256);
    cboCaching = new QComboBox(general);
    cboCaching->addItems({QStringLiteral("Only the files and programs users choose are available offline"),
                          QStringLiteral("All files and programs users open are available offline"),
                          QStringLiteral("All files users open are available offline, optimized for performance"),
                          QStringLiteral("No files or programs are available offline")});
    form->addRow(QStringLiteral("Share name:"), lblName);
    form->addRow(QStringLiteral("Path:"), lblPath);
    form->addRow(QStringLiteral("&Description:"), txtRemark);
    form->addRow(QStringLiteral("User limit:"), LimitRow(limit, general));
    form->addRow(QStringLiteral("&Offline settings:"), cboCaching);
    limit.Show(details.max_uses);
    if (flags) {
        cboCaching->setCurrentIndex(int((*flags & netapi::CSC_MASK) >> 4));
    } else {
        cboCaching->setEnabled(false);
        cboCaching->setToolTip(QStringLiteral("The server did not say how this share is cached."));
    }
    tabs->addTab(general, QStringLiteral("General"));

    permissions = new PermissionsEditor(list, std::move(lookUp), tabs);
    tabs->addTab(permissions, QStringLiteral("Permissions"));

    buttons = OkCancel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

std::optional<netapi::DWORD> dlgShareProperties::Flags() const {
    if (!mFlags) return std::nullopt;
    return (*mFlags & ~netapi::CSC_MASK) | (netapi::DWORD(cboCaching->currentIndex()) << 4);
}

std::optional<QString> dlgShareProperties::Problem() {
    if (!limit.Value()) {
        tabs->setCurrentIndex(0);
        limit.txtUsers->setFocus();
        return LimitProblem();
    }
    if (const auto contradiction = mPermissions.Contradiction()) {
        tabs->setCurrentIndex(1);
        return QStringLiteral("The permissions cannot be saved: ") + QString::fromStdString(*contradiction) +
               QStringLiteral(". Clear Allow or Deny for that account.");
    }
    return std::nullopt;
}

// The last Full Control taken away leaves nobody able to change the share's
// permissions over the share: asked before it is done.
static bool ConfirmNoFullControl(QDialog* dialog, const PermissionList& list) {
    if (!list.Changed() || !netapi::RemovesLastFullControl(list.Base(), list.Result())) return true;
    return CurrentPrompts().YesNo(dialog,
                                  QStringLiteral("No account will have Full Control of this share any "
                                                 "more. Save these permissions anyway?"),
                                  dialog->windowTitle(), Prompts::Icon::Exclamation, false);
}

void dlgShareProperties::accept() {
    if (Refused(this, Problem()) || !ConfirmNoFullControl(this, mPermissions)) return;
    QDialog::accept();
}

// ---- permissions of a new share

dlgSharePermissions::dlgSharePermissions(const QString& name, PermissionList& list, AccountLookUp lookUp,
                                         QWidget* parent)
    : QDialog(parent), mPermissions(list) {
    setWindowTitle(QStringLiteral("Permissions for ") + common::Escaped(name));
    permissions = new PermissionsEditor(list, std::move(lookUp), this);
    buttons = OkCancel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(permissions);
    layout->addWidget(buttons);
}

void dlgSharePermissions::accept() {
    if (const auto contradiction = mPermissions.Contradiction()) {
        Refused(this, QStringLiteral("The permissions cannot be saved: ") +
                          QString::fromStdString(*contradiction) +
                          QStringLiteral(". Clear Allow or Deny for that account."));
        return;
    }
    QDialog::accept();
}

}  // namespace shares
