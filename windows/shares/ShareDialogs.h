#pragma once
// The share dialogs of the Shared Resources window: New Share, the share's
// Properties (General and Permissions tabs) and the permissions of a new
// share on their own. Each is an object the window fills, hands to the
// Prompts to run, and reads back once accepted; OK refuses what the server
// must not be sent, with a message, and leaves the dialog open.
#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "SharePermissions.h"
#include "netenum/Provider.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace shares {

// Looks an account name up on the server: its SID and the name to show, or
// nothing (the reason already told to the administrator).
struct FoundAccount {
    netapi::Sid sid;
    std::u16string name;
};
using AccountLookUp = std::function<std::optional<FoundAccount>(const QString& typed)>;

// The account list, Add… and Remove, and the Allow/Deny grid for the chosen
// account. Edits `list`.
class PermissionsEditor final : public QWidget {
public:
    PermissionsEditor(PermissionList& list, AccountLookUp lookUp, QWidget* parent = nullptr);

    // Rows of the grid: Full Control, Change, Read, Special.
    static constexpr int kRows = 4;
    QListWidget* lstAccounts;
    QPushButton* cmdAdd;
    QPushButton* cmdRemove;
    QLabel* lblPermissionsFor;
    std::array<QCheckBox*, kRows> chkAllow{};
    std::array<QCheckBox*, kRows> chkDeny{};

    // Add… as clicked: asks for a name and adds the account it resolves to.
    void AddAccount();
    void RemoveAccount();
    void Select(int row);

private:
    void FillAccounts(int current);
    void ShowGrid();
    void Toggled(int row, bool deny, bool checked);

    PermissionList& mList;
    AccountLookUp mLookUp;
    bool mShowing = false;
};

// The user limit as the two dialogs ask for it: "Maximum allowed" or
// "Allow this number of users".
struct UserLimitFields {
    QRadioButton* optMaximum;
    QRadioButton* optAllow;
    QLineEdit* txtUsers;
    void Show(netapi::DWORD maxUses);
    // SHI_USES_UNLIMITED, a number in range, or nothing (out of range).
    std::optional<netapi::DWORD> Value() const;
};

class dlgNewShare final : public QDialog {
public:
    enum class Preset { EveryoneRead, AdministratorsFull, Custom };

    explicit dlgNewShare(const QString& server, QWidget* parent = nullptr);

    QLineEdit* txtName;
    QLineEdit* txtPath;
    QLineEdit* txtRemark;
    UserLimitFields limit{};
    QComboBox* cboPermissions;
    QDialogButtonBox* buttons;

    Preset ChosenPreset() const;
    // The descriptor of the preset chosen (not for Custom).
    static netapi::SecurityDescriptor PresetDescriptor(Preset preset);
    // Why OK cannot go on, or nothing; the field at fault gets the focus.
    std::optional<QString> Problem();
    void accept() override;
};

class dlgShareProperties final : public QDialog {
public:
    // `caching` is the share's shi1005_flags, nothing when it could not be read.
    dlgShareProperties(const QString& name, const netapi::ShareDetails& details,
                       std::optional<netapi::DWORD> flags, PermissionList& permissions,
                       AccountLookUp lookUp, QWidget* parent = nullptr);

    QTabWidget* tabs;
    QLabel* lblName;
    QLabel* lblPath;
    QLineEdit* txtRemark;
    UserLimitFields limit{};
    QComboBox* cboCaching;
    PermissionsEditor* permissions;
    QDialogButtonBox* buttons;

    // The flags with the caching chosen (the other bits as they were).
    std::optional<netapi::DWORD> Flags() const;
    std::optional<QString> Problem();
    void accept() override;

private:
    PermissionList& mPermissions;
    std::optional<netapi::DWORD> mFlags;
};

// The permissions of a new share, for the "Custom" preset.
class dlgSharePermissions final : public QDialog {
public:
    dlgSharePermissions(const QString& name, PermissionList& permissions, AccountLookUp lookUp,
                        QWidget* parent = nullptr);
    PermissionsEditor* permissions;
    QDialogButtonBox* buttons;
    void accept() override;

private:
    PermissionList& mPermissions;
};

}  // namespace shares
