#include "frmSharedResources.h"

#include <QLabel>
#include <QPushButton>
#include <utility>
#include <vector>

#include "netenum/colConnectionEnum.h"
#include "netenum/colSessionEnum.h"
#include "netenum/colShareEnum.h"
#include "netenum/netapi.h"
#include "text/Text.h"
#include "windows/common/ListCommands.h"
#include "windows/common/MessagePane.h"
#include "windows/common/ReportList.h"
#include "windows/common/Twips.h"
#include "windows/common/WaitCursor.h"
#include "windows/common/WindowParts.h"

namespace shares {
namespace {

using common::NewLabel;
using common::Q;

void AddUserColumns(common::ReportList::Rebuild& fill) {
    fill.AddColumns({{u"Connected Users", 0.5}, {u"Time", 0.16}, {u"In Use", 0.16}});
}

}  // namespace

frmSharedResources::frmSharedResources(common::MainFormLink& main, QWidget* parent)
    : ToolWindowBase(main, parent,
                     {.what = QStringLiteral("Shared Resources"), .widthTwips = 11505,
                      .heightTwips = 6840}) {
    CreateControls();
}

frmSharedResources::~frmSharedResources() = default;

void frmSharedResources::CreateControls() {
    lblCaption[1] = NewLabel(this, QStringLiteral("Available Shares"), 120, 105, 1800, 195, true);
    lstvwShares = AddList(105, 330, 11250, 1650);
    lstvwShares->setSelectionMode(QAbstractItemView::SingleSelection);

    lblCaption[2] =
        NewLabel(this, QStringLiteral("Users Connected to Share"), 150, 2400, 2490, 195, true);
    lstvwConnectedUsers = AddList(105, 2625, 11250, 1950);

    lblCaption[0] = NewLabel(this, QStringLiteral("Total:"), 120, 4680, 405, 195);
    lblConnectedUsers = NewLabel(this, QStringLiteral("0"), 600, 4680, 540, 195);
    lblConnectedUsers->setFrameStyle(QFrame::Box | QFrame::Plain);
    lblConnectedUsers->setLineWidth(1);
    common::KeepRightOf(lblConnectedUsers, lblCaption[0], 60);
    AddSelectButtons(9240, 4560);

    lblCaption[6] = AddSystemMessages(5040, 4920, 5385);

    cmdDisconnect = AddCommandBar(
        6360, [this] { RefreshList([this] { FillShares(); }); },
        {{QStringLiteral("&Disconnect"), 2760, 1236, [this] { cmdDisconnect_Click(); }}},
        4200)[0];

    connect(lstvwShares, &common::ReportList::ItemClick, this,
            [this](int row) { lstvwShares_ItemClick(row); });
    connect(lstvwConnectedUsers, &common::ReportList::ItemClick, this,
            [this] { EnableRowCommands(true); });
    AddListCommands(lstvwConnectedUsers);
    CreateShareCommands();
    // Only the share is chosen: its users wait for a click.
    SetFirstRowList(lstvwShares, false);

    // Esc, whatever control has the focus, leaves the way "&Close" does: the
    // main window's summary then shows the sessions this window ended.
    OnEscape([this] { cmdClose->click(); });
}

void frmSharedResources::FillShares() {
    const common::WaitCursor wait;
    // Given up: the shares on show stay, and so do their users.
    if (!common::ReadCollection(mShares, RemoteServer().toStdU16String())) return;
    {
        common::ReportList::Rebuild fill(*lstvwShares);
        // The path reaches beyond the visible area.
        fill.AddColumns({{u"Sharename", 0.2}, {u"Uses", 0.04}, {u"Path", 1.5}});
        fill.AddRecords(mShares.get(), [&](const netenum::clsShareEnum& share, int record) {
            fill.AddRow({Q(share.ShareName()), common::Number(share.NumCurrConnections()),
                         Q(share.Path())},
                        QString(), record);
        });
    }
    {
        common::ReportList::Rebuild fill(*lstvwConnectedUsers);
        AddUserColumns(fill);
    }
    ListFilled(lstvwConnectedUsers->RowCount() >= 1);
    lblConnectedUsers->setText(QStringLiteral("0"));
    EnableShareCommands();
}

void frmSharedResources::lstvwShares_ItemClick(int row) {
    EnableRowCommands(false);
    if (row < 0 || row >= lstvwShares->RowCount()) return;
    const netenum::clsShareEnum* share = common::RowRecord(*lstvwShares, row, mShares.get());
    const std::u16string shareName = share ? text::TrimSpaces(share->ShareName()) : std::u16string();
    if (!common::ReadCollection(mConnections, shareName, RemoteServer().toStdU16String())) return;
    {
        common::ReportList::Rebuild fill(*lstvwConnectedUsers);
        AddUserColumns(fill);
        fill.AddRecords(mConnections.get(), [&](const netenum::clsConnectionEnum& connection,
                                                int record) {
            // The connection's type is its share's: one to a disk share is "In Use".
            const bool inUse = static_cast<netapi::DWORD>(connection.ConnectionType()) ==
                               netapi::STYPE_DISKTREE;
            fill.AddRow({Q(connection.UserName()), Q(connection.ConnectTimeFormatted()),
                         inUse ? QStringLiteral("Yes") : QStringLiteral("No")},
                        Q(connection.NetName()), record);
        });
    }
    common::ShowCount(lblConnectedUsers, mConnections && mConnections->Answered(),
                      lstvwConnectedUsers->RowCount());
    ListFilled(lstvwConnectedUsers->RowCount() >= 1);
}

void frmSharedResources::cmdDisconnect_Click() {
    // The users' whole sessions end, found among the server's sessions.
    DisconnectSessions(
        common::SelectedSessions(*lstvwConnectedUsers, mConnections.get(),
                                 [](const netenum::clsConnectionEnum& c) { return c.NetName(); }),
        [this] {
            common::ReadCollection(mSessions, RemoteServer().toStdU16String());
            return mSessions.get();
        },
        [this] { FillShares(); });
}

}  // namespace shares
