// The Shared Resources window's share commands: New Share…, Stop Sharing and
// Properties… on the shown computer. Each asks what it must (through the
// Prompts), carries out its calls, says in the pane what changed or one line
// per failure, and refills the shares.
#include <QAction>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>

#include "ShareDialogs.h"
#include "frmSharedResources.h"
#include "netenum/AccountNames.h"
#include "netenum/MessageTarget.h"
#include "netenum/ShareEdit.h"
#include "netenum/ShareNames.h"
#include "netenum/colShareEnum.h"
#include "netenum/modAPI_Error.h"
#include "netenum/netapi.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Prompts.h"
#include "windows/common/ReportList.h"
#include "windows/common/WaitCursor.h"
#include "windows/common/WindowParts.h"

namespace shares {
namespace {

using common::CurrentPrompts;
using common::Prompts;

// "DATA" with its quotes, control characters escaped.
QString Quoted(std::u16string_view name) {
    return u'"' + common::Escaped(common::Q(name)) + u'"';
}

QString Joined(const std::vector<std::string>& parts) {
    QString s;
    for (std::size_t i = 0; i < parts.size(); ++i)
        s += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + QString::fromStdString(parts[i]);
    return s;
}

void Failed(std::u16string_view call, netapi::NET_API_STATUS status, const QString& server) {
    netenum::AppendToCurrentForm(
        netenum::FailureLineWithAdvice(call, status, netenum::kAdviceOperator, server.toStdU16String()));
}

void Note(const QString& line) { netenum::AppendToCurrentForm((line + QStringLiteral("\r\n")).toStdU16String()); }

// An account as the administrator typed it, looked up by the server: a name
// through its lsarpc, a SID taken as it is (named when the server can).
std::optional<FoundAccount> LookUpAccount(const QString& server, QWidget* parent, const QString& typed) {
    const std::u16string text = typed.toStdU16String();
    const std::u16string host = server.toStdU16String();
    std::vector<netapi::AccountLookup> found;
    if (auto sid = netapi::Sid::FromString(text)) {
        const auto status = netapi::NetLookupAccountSids(host.c_str(), {*sid}, found);
        const bool named = (status == 0 || status == netapi::ERROR_SOME_NOT_MAPPED) && !found.empty() &&
                           found[0].resolved;
        return FoundAccount{*sid, named ? netapi::DisplayName(found[0]) : sid->ToString()};
    }
    const auto status = netapi::NetLookupAccountNames(host.c_str(), {text}, found);
    if (status != 0 && status != netapi::ERROR_SOME_NOT_MAPPED && status != netapi::ERROR_NONE_MAPPED) {
        Failed(u"LsarLookupNames", status, server);
        return std::nullopt;
    }
    if (found.empty() || !found[0].resolved) {
        CurrentPrompts().MessageBox(parent,
                                    QStringLiteral("The account ") + Quoted(text) +
                                        QStringLiteral(" is not known on ") + common::Escaped(server) +
                                        QStringLiteral(". Check the spelling, or type it as DOMAIN\\name."),
                                    QStringLiteral("Add Account"), Prompts::Icon::Exclamation);
        return std::nullopt;
    }
    return FoundAccount{found[0].sid, netapi::DisplayName(found[0])};
}

// Names for the accounts of a list; those the server cannot name stay SIDs.
void NameAccounts(const QString& server, PermissionList& list) {
    std::vector<netapi::Sid> sids;
    for (const auto& account : list.Accounts()) sids.push_back(account.sid);
    if (sids.empty()) return;
    std::vector<netapi::AccountLookup> found;
    const auto status = netapi::NetLookupAccountSids(server.toStdU16String().c_str(), sids, found);
    if (status != 0 && status != netapi::ERROR_SOME_NOT_MAPPED && status != netapi::ERROR_NONE_MAPPED) {
        Failed(u"LsarLookupSids", status, server);
        return;
    }
    for (const auto& account : found)
        if (account.resolved) list.Name(account.sid, netapi::DisplayName(account));
}

}  // namespace

void frmSharedResources::CreateShareCommands() {
    // Under the shares, right-aligned as Select All is under the users.
    cmdNewShare = common::NewButton(this, QStringLiteral("&New Share..."), 7740, 2040, 1155, 285);
    cmdStopSharing = common::NewButton(this, QStringLiteral("S&top Sharing"), 8985, 2040, 1155, 285);
    cmdProperties = common::NewButton(this, QStringLiteral("&Properties..."), 10200, 2040, 1155, 285);
    connect(cmdNewShare, &QPushButton::clicked, this, [this] { cmdNewShare_Click(); });
    connect(cmdStopSharing, &QPushButton::clicked, this, [this] { cmdStopSharing_Click(); });
    connect(cmdProperties, &QPushButton::clicked, this, [this] { cmdProperties_Click(); });

    auto action = [this](const QString& caption, QList<QKeySequence> keys, void (frmSharedResources::*run)()) {
        auto* a = new QAction(caption, lstvwShares);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WidgetShortcut);
        a->setShortcutVisibleInContextMenu(true);
        connect(a, &QAction::triggered, this, [this, run] { (this->*run)(); });
        return a;
    };
    mnuNewShare = action(QStringLiteral("New Share..."), {}, &frmSharedResources::cmdNewShare_Click);
    mnuStopSharing = action(QStringLiteral("Stop Sharing"), {QKeySequence(Qt::Key_Delete)},
                            &frmSharedResources::cmdStopSharing_Click);
    mnuProperties = action(QStringLiteral("Properties..."),
                           {QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::Key_Return),
                            QKeySequence(Qt::Key_Enter)},
                           &frmSharedResources::cmdProperties_Click);
    auto* separator = new QAction(lstvwShares);
    separator->setSeparator(true);
    // Before Copy and Export…, which every list has.
    QAction* first = lstvwShares->actions().value(0);
    lstvwShares->insertActions(first, {mnuNewShare, mnuStopSharing, mnuProperties, separator});
    EnableShareCommands();
}

void frmSharedResources::EnableShareCommands() {
    // A share is always chosen while there is one: the list keeps one selected.
    const bool chosen = lstvwShares->RowCount() > 0;
    for (QPushButton* b : {cmdStopSharing, cmdProperties}) b->setEnabled(chosen);
    mnuStopSharing->setEnabled(chosen);
    mnuProperties->setEnabled(chosen);
}

std::optional<std::u16string> frmSharedResources::ChosenShare() const {
    const auto selected = lstvwShares->SelectedRows();
    const int row = selected.empty() ? lstvwShares->CurrentRow() : selected.front();
    if (row < 0) return std::nullopt;
    const netenum::clsShareEnum* share = common::RowRecord(*lstvwShares, row, mShares.get());
    if (share == nullptr) return std::nullopt;
    std::u16string name = text::TrimSpaces(share->ShareName());
    if (name.empty()) return std::nullopt;
    return name;
}

void frmSharedResources::Finish(const QString& start, const QString& done, const std::u16string& choose) {
    common::EndStatusLine(*Text1, start, done + QStringLiteral("\r\n"));
    if (Unloaded()) return;
    FillShares();
    const QStringList names = [&] {
        QStringList all;
        for (int row = 0; row < lstvwShares->RowCount(); ++row) all << lstvwShares->Text(row);
        return all;
    }();
    const int row = choose.empty() ? -1 : int(names.indexOf(common::Q(choose)));
    if (row >= 0) {
        lstvwShares->EnsureVisible(row);
        lstvwShares->SetCurrentRow(row);
        lstvwShares->SetSelected(row, true);
    } else {
        SelectFirstRow();
    }
}

void frmSharedResources::cmdNewShare_Click() {
    const QString server = RemoteServer();
    const QString shown = server.isEmpty() ? QStringLiteral("this computer") : server;
    dlgNewShare dialog(shown, this);
    if (!CurrentPrompts().RunDialog(dialog)) return;
    const std::u16string name = common::TrimSpaces(dialog.txtName->text()).toStdU16String();
    std::u16string path = common::TrimSpaces(dialog.txtPath->text()).toStdU16String();
    std::u16string remark = dialog.txtRemark->text().toStdU16String();

    netapi::SecurityDescriptor sd;
    if (dialog.ChosenPreset() == dlgNewShare::Preset::Custom) {
        PermissionList list(dlgNewShare::PresetDescriptor(dlgNewShare::Preset::EveryoneRead));
        NameAccounts(server, list);
        dlgSharePermissions permissions(common::Q(name), list,
                                        [&](const QString& typed) { return LookUpAccount(server, this, typed); },
                                        this);
        if (!CurrentPrompts().RunDialog(permissions)) return;
        sd = list.Result();
    } else {
        sd = dlgNewShare::PresetDescriptor(dialog.ChosenPreset());
    }
    std::vector<std::uint8_t> bytes = netapi::BuildSecurityDescriptor(sd);

    const QString start = QStringLiteral("Creating share...\r\n");
    common::BeginStatusLine(*Text1, start);
    std::u16string netname = name;
    netapi::SHARE_INFO_502 info{};
    info.shi502_netname = netname.data();
    info.shi502_type = netapi::STYPE_DISKTREE;
    info.shi502_remark = remark.data();
    info.shi502_max_uses = *dialog.limit.Value();
    info.shi502_path = path.data();
    info.shi502_security_descriptor = bytes.empty() ? nullptr : bytes.data();
    netapi::DWORD parm = 0;
    netapi::NET_API_STATUS status = 0;
    {
        const common::WaitCursor wait;
        status = netapi::NetShareAdd(server.toStdU16String().c_str(), 502,
                                     reinterpret_cast<netapi::LPBYTE>(&info), &parm);
    }
    if (status != 0) Failed(u"NetShareAdd", status, server);
    Finish(start, QStringLiteral("Shared ") + Quoted(path) + QStringLiteral(" as ") + Quoted(name), name);
}

void frmSharedResources::cmdStopSharing_Click() {
    const auto name = ChosenShare();
    if (!name) return;
    const QString server = RemoteServer();
    const std::u16string host = server.toStdU16String();
    // The users connected right now, not when the list was read.
    netapi::LPBYTE buffer = nullptr;
    netapi::NET_API_STATUS status = 0;
    netapi::DWORD users = 0;
    {
        const common::WaitCursor wait;
        status = netapi::NetShareGetInfo(host.c_str(), name->c_str(), 2, &buffer);
        if (status == 0 && buffer != nullptr)
            users = reinterpret_cast<const netapi::SHARE_INFO_2*>(buffer)->shi2_current_uses;
        netapi::NetApiBufferFree(buffer);
    }
    if (status != 0) {
        Failed(u"NetShareGetInfo", status, server);
        return;
    }
    const QString title = QStringLiteral("Stop Sharing");
    const QString connected = users == 0   ? QStringLiteral("No user is connected to it.")
                              : users == 1 ? QStringLiteral("1 user is connected to it and will lose the connection.")
                                           : QStringLiteral("%1 users are connected to it and will lose their "
                                                            "connections.").arg(users);
    if (!CurrentPrompts().YesNo(this, QStringLiteral("Stop sharing ") + Quoted(*name) + QStringLiteral("? ") + connected,
                                title, Prompts::Icon::Question, false))
        return;
    if (netapi::IsHiddenShare(*name) &&
        !CurrentPrompts().YesNo(this,
                                Quoted(*name) + QStringLiteral(
                                                    " is a hidden or administrative share; the server, "
                                                    "its administrators and programs may depend on it. "
                                                    "Stop sharing ") +
                                    Quoted(*name) + QStringLiteral(" anyway?"),
                                title, Prompts::Icon::Exclamation, false))
        return;

    const QString start = QStringLiteral("Stopping sharing...\r\n");
    common::BeginStatusLine(*Text1, start);
    {
        const common::WaitCursor wait;
        status = netapi::NetShareDel(host.c_str(), name->c_str(), 0);
    }
    if (status != 0) Failed(u"NetShareDel", status, server);
    Finish(start, Quoted(*name) + QStringLiteral(" is no longer shared"), status != 0 ? *name : u"");
}

void frmSharedResources::cmdProperties_Click() {
    const auto name = ChosenShare();
    if (!name) return;
    const QString server = RemoteServer();
    const std::u16string host = server.toStdU16String();
    netapi::ShareState state;
    std::optional<netapi::DWORD> flags;
    std::optional<PermissionList> list;
    {
        const common::WaitCursor wait;
        std::string why;
        if (const auto status = netapi::ReadShareState(host.c_str(), name->c_str(), state, &why); status != 0) {
            if (!why.empty()) Note(Quoted(*name) + QStringLiteral(": ") + common::Escaped(QString::fromStdString(why)));
            Failed(u"NetShareGetInfo", status, server);
            return;
        }
        netapi::LPBYTE buffer = nullptr;
        if (netapi::NetShareGetInfo(host.c_str(), name->c_str(), 1005, &buffer) == 0 && buffer != nullptr)
            flags = reinterpret_cast<const netapi::SHARE_INFO_1005*>(buffer)->shi1005_flags;
        netapi::NetApiBufferFree(buffer);
        list.emplace(netapi::EffectiveDescriptor(state));
        NameAccounts(server, *list);
    }
    dlgShareProperties dialog(common::Q(*name), state.details, flags, *list,
                              [&](const QString& typed) { return LookUpAccount(server, this, typed); }, this);
    const QString shownRemark = dialog.txtRemark->text();
    const auto shownLimit = dialog.limit.Value();
    if (!CurrentPrompts().RunDialog(dialog)) return;

    // Only what the administrator changed goes back; a description shown with
    // its control characters escaped is not written back escaped.
    netapi::ShareUpdate update;
    if (dialog.txtRemark->text() != shownRemark) update.remark = dialog.txtRemark->text().toStdU16String();
    if (dialog.limit.Value() != shownLimit) update.maxUses = dialog.limit.Value();
    if (list->Changed()) update.descriptor = list->Result();

    const QString start = QStringLiteral("Changing share...\r\n");
    common::BeginStatusLine(*Text1, start);
    netapi::UpdateOutcome outcome;
    {
        const common::WaitCursor wait;
        outcome = netapi::WriteShareUpdate(host.c_str(), name->c_str(), state, update);
        if (outcome.status == 0 && flags && dialog.Flags() != flags) {
            netapi::SHARE_INFO_1005 info{*dialog.Flags()};
            netapi::DWORD parm = 0;
            outcome.status = netapi::NetShareSetInfo(host.c_str(), name->c_str(), 1005,
                                                     reinterpret_cast<netapi::LPBYTE>(&info), &parm);
            if (outcome.status == 0) outcome.changed.push_back("offline settings");
            else outcome.failed = "offline settings";
        }
    }
    const QString changed = Joined(outcome.changed);
    if (outcome.status != 0) {
        Failed(u"NetShareSetInfo", outcome.status, server);
        Note(QStringLiteral("Share ") + Quoted(*name) + QStringLiteral(": the ") +
             QString::fromStdString(outcome.failed) + QStringLiteral(" could not be changed") +
             (changed.isEmpty() ? QString() : QStringLiteral(" (") + changed + QStringLiteral(" changed)")));
    }
    Finish(start,
           QStringLiteral("Share ") + Quoted(*name) +
               (changed.isEmpty() ? QStringLiteral(": nothing to change") : QStringLiteral(": ") + changed + QStringLiteral(" changed")),
           *name);
}

}  // namespace shares
