#include "frmUserSessions.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>
#include <vector>

#include "netenum/NetCalls.h"
#include "netenum/colConnectionEnum.h"
#include "netenum/colSessionEnum.h"
#include "netenum/modAPI_Error.h"
#include "netenum/netapi.h"
#include "text/Text.h"
#include "windows/common/ListCommands.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Product.h"
#include "windows/common/Prompts.h"
#include "windows/common/ReportList.h"
#include "windows/common/Twips.h"
#include "windows/common/WaitCursor.h"
#include "windows/common/WindowParts.h"

namespace sessions {
namespace {

using common::NewLabel;
using common::Q;

const QString kCrLf = QStringLiteral("\r\n");

std::int32_t AccountResultCode(netenum::AccountChange change) {
    switch (change) {
        case netenum::AccountChange::Changed: return frmUserSessions::kAccountChanged;
        case netenum::AccountChange::AlreadyDisabled: return frmUserSessions::kAlreadyDisabled;
        case netenum::AccountChange::AlreadyEnabled: return frmUserSessions::kAlreadyEnabled;
        case netenum::AccountChange::GetInfoFailed: return frmUserSessions::kGetInfoFailed;
        case netenum::AccountChange::AccessDenied: return frmUserSessions::kAccessDenied;
        case netenum::AccountChange::SetInfoFailed: break;
    }
    return frmUserSessions::kSetInfoFailed;
}

QString AccountLineText(std::int32_t result) {
    switch (result) {
        case frmUserSessions::kAccountChanged:
            return QString();  // worded by the run: disabled or enabled
        case frmUserSessions::kAlreadyDisabled:
            return QStringLiteral("Account is already disabled");
        case frmUserSessions::kAlreadyEnabled:
            return QStringLiteral("Account is already enabled");
        case frmUserSessions::kGetInfoFailed:
            return QStringLiteral("Account or server was not found");
        case frmUserSessions::kSetInfoFailed:
            return QStringLiteral("The call to NetUserSetInfo failed");
        case frmUserSessions::kAccessDenied:
            return QStringLiteral(
                "Access is denied (the server may let only its administrators use its account "
                "database over the network)");
        default:
            return QStringLiteral("Unknown error");
    }
}

}  // namespace

frmUserSessions::frmUserSessions(common::MainFormLink& main, QWidget* parent)
    : ToolWindowBase(main, parent,
                     {.what = QStringLiteral("User Sessions"), .widthTwips = 11505,
                      .heightTwips = 6360}) {
    CreateControls();
}

frmUserSessions::~frmUserSessions() = default;

void frmUserSessions::CreateControls() {
    lstvwUserSessions = AddList(120, 105, 11250, 1950);

    lblCaption[0] = NewLabel(this, QStringLiteral("Total:"), 75, 2160, 405, 195);
    // Unknown until the server gives its sessions.
    lblConnectedUsers = NewLabel(this, QString(), 600, 2160, 540, 195);
    common::KeepRightOf(lblConnectedUsers, lblCaption[0], 60);
    std::tie(cmdFind, txtFind, cmdHelp) = AddFind(QStringLiteral("Find User"), 1560, 2040,
                                                  common::ListCommands::FindUser(),
                                                  QStringLiteral("FindUser"));
    AddSelectButtons(9240, 2040);

    lstvwResources = AddList(120, 2520, 11235, 1950);
    lstvwResources->setSelectionMode(QAbstractItemView::SingleSelection);

    lblCaption[1] = AddSystemMessages(4560, 5700, 6195);

    const std::vector<QPushButton*> own = AddCommandBar(
        5880, [this] { RefreshList([this] { FillSessions(); }); },
        {{QStringLiteral("&Disconnect"), 2760, 1236, [this] { cmdDisconnect_Click(); }},
         {QStringLiteral("Disable &Account"), 4200, 1455, [this] { AccountRun(true); }},
         {QStringLiteral("&Enable Account"), 5880, 1455, [this] { AccountRun(false); }}},
        7560);
    cmdDisconnect = own[0];
    cmdDisable = own[1];
    cmdEnable = own[2];

    connect(lstvwUserSessions, &common::ReportList::ItemClick, this,
            [this](int row) { lstvwUserSessions_ItemClick(row); });
    AddListCommands(lstvwUserSessions);
    SetFirstRowList(lstvwUserSessions, true);

    // Escape has one binding, the cancel button: it presses "&Close", so the
    // main window's summary shows the sessions and accounts changed here. A
    // second, key-preview binding that closed without the refill would make
    // the same key mean two things; it is deliberately not installed.
    OnEscape([this] { cmdClose->click(); });
}

void frmUserSessions::FillSessions() {
    common::ShowWaitCursor();
    // Given up: the sessions on show stay, and so do their resources.
    if (!common::ReadCollection(colSessions, RemoteServer().toStdU16String())) {
        common::ShowNormalCursor();
        return;
    }
    {
        common::ReportList::Rebuild fill(*lstvwUserSessions);
        fill.AddColumns({{u"Connected Users", 0.27}, {u"Computer", 0.27}, {u"Opens", 0.04},
                         {u"Time", 0.07}, {u"Idle", 0.07}, {u"Guest", 0.07}});
        fill.AddRecords(colSessions.get(), [&](const netenum::clsSessionEnum& session, int record) {
            const QString computer = Q(session.ComputerName());
            // Guest only for exactly SESS_GUEST: a guest without encryption is
            // not shown as one. What the server did not say stays blank.
            const auto flags = session.UserFlags();
            const QString guest =
                !flags ? QString()
                : static_cast<netapi::DWORD>(*flags) == netapi::SESS_GUEST ? QStringLiteral("Yes")
                                                                            : QStringLiteral("No");
            fill.AddRow({Q(session.UserName()), computer, common::Number(session.NumOpens()),
                         Q(session.ActiveTimeFormatted()), Q(session.IdleTimeFormatted()), guest},
                        computer, record);
        });
    }
    if (colSessions && colSessions->Incomplete())
        Text1->AppendLine(Q(netenum::IncompleteListLine(colSessions->Count(),
                                                        colSessions->TotalEntries(), u"sessions")));
    common::ShowCount(lblConnectedUsers, colSessions && colSessions->Answered(),
                      static_cast<long long>(colSessions ? colSessions->Count() : 0));
    const QString first = lstvwUserSessions->RowCount() >= 1 ? SessionComputer(0) : QString();
    common::ShowNormalCursor();
    FillSessionResources(first);
}

void frmUserSessions::FillSessionResources(const QString& computerName) {
    common::ShowWaitCursor();
    if (!common::ReadCollection(colConnections, text::UncName(computerName.toStdU16String()),
                                RemoteServer().toStdU16String())) {
        common::ShowNormalCursor();
        return;
    }
    {
        common::ReportList::Rebuild fill(*lstvwResources);
        fill.AddColumns({{u"Resource", 0.40}, {u"Opens", 0.23}, {u"Time", 0.22}});
        fill.AddRecords(colConnections.get(), [&](const netenum::clsConnectionEnum& connection,
                                                  int record) {
            fill.AddRow({Q(connection.NetName()), QString::number(connection.NumOpens()),
                         Q(connection.ConnectTimeFormatted())},
                        QString(), record);
        });
    }
    // After every resources fill the session commands wait for a click on a row.
    ListFilled(lstvwUserSessions->RowCount() >= 1);
    common::ShowNormalCursor();
}

QString frmUserSessions::SessionComputer(int row) const {
    const netenum::clsSessionEnum* session =
        common::RowRecord(*lstvwUserSessions, row, colSessions.get());
    return session ? Q(text::TrimSpaces(session->ComputerName())) : QString();
}

void frmUserSessions::lstvwUserSessions_ItemClick(int row) {
    if (row < 0 || row >= lstvwUserSessions->RowCount()) return;
    FillSessionResources(SessionComputer(row));
    EnableRowCommands(true);
}

void frmUserSessions::cmdDisconnect_Click() {
    DisconnectSessions(
        common::SelectedSessions(*lstvwUserSessions, colSessions.get(),
                                 [](const netenum::clsSessionEnum& s) { return s.ComputerName(); }),
        [this] { return colSessions.get(); }, [this] { FillSessions(); });
}

std::u16string frmUserSessions::MakeUncName(std::u16string_view computerName) {
    if (computerName.empty()) return {};
    return text::UncName(computerName);
}

std::int32_t frmUserSessions::SetAccountDisabled(bool disable, const std::u16string& userName,
                                                 const std::u16string& serverName,
                                                 std::u16string* changedOn) {
    const netenum::SessionAccountChange change =
        netenum::SetSessionAccountDisabled(MakeUncName(serverName), userName, disable);
    if (changedOn != nullptr) *changedOn = change.computer;
    return AccountResultCode(change.change);
}

void frmUserSessions::AccountRun(bool disable) {
    if (disable &&
        !common::CurrentPrompts().YesNo(
            this, QStringLiteral("Are you sure you want to disable the selected user accounts?"),
            common::ProductName(), common::Prompts::Icon::Question, false))
        return;

    common::ShowWaitCursor();
    // The accounts to change are read before events run, like Disconnect's sessions.
    const std::vector<common::SessionKey> sessions = common::SelectedSessions(
        *lstvwUserSessions, colSessions.get(),
        [](const netenum::clsSessionEnum& s) { return s.ComputerName(); });
    common::BeginStatusLine(*Text1, disable ? QStringLiteral("Disabling user accounts...\r\n")
                                            : QStringLiteral("Enabling user accounts...\r\n"));

    // The accounts are those of the computer this window shows, the same one
    // whose sessions are listed ("" the local computer), unless they belong to
    // a domain: then its controller holds them, and the line says so.
    const std::u16string server = RemoteServer().toStdU16String();
    const QString changedText =
        disable ? QStringLiteral("Account disabled") : QStringLiteral("Account enabled");
    long long changed = 0;  // a whole server's sessions can exceed 32767
    QString lines;
    for (const common::SessionKey& session : sessions) {
        const std::u16string& user = session.user;
        std::int32_t result = kSetInfoFailed;
        std::u16string changedOn;
        common::SkipOnError("changing an account",
                            [&] { result = SetAccountDisabled(disable, user, server, &changedOn); });
        if (result == kAccountChanged) ++changed;
        lines += common::Escaped(Q(user)) + QStringLiteral(" : ") +
                 (result == kAccountChanged ? changedText : AccountLineText(result));
        if (!changedOn.empty()) lines += QStringLiteral(" on ") + common::Escaped(Q(changedOn));
        lines += kCrLf;
    }
    // Nothing else writes to the pane during the loop, so the lines go in at once.
    lines += QString::number(changed) +
             (disable ? QStringLiteral(" user accounts disabled")
                      : QStringLiteral(" user accounts enabled")) +
             kCrLf;
    Text1->SetText(Text1->Text() + lines);

    common::ShowNormalCursor();
    if (!Unloaded()) FillSessions();
}

}  // namespace sessions
