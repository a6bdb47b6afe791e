#include "ComputerList.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <algorithm>

#include "ComputerName.h"
#include "ComputerTypes.h"
#include "SavedServers.h"
#include "modMain.h"
#include "netenum/CallControl.h"
#include "netenum/NetCalls.h"
#include "netenum/modAPI_Error.h"
#include "netenum/netapi.h"
#include "text/Text.h"
#include "windows/common/MessagePane.h"
#include "windows/common/Product.h"
#include "windows/common/Prompts.h"
#include "windows/common/WaitCursor.h"
#include "windows/common/WindowParts.h"

namespace app {
namespace {

using common::Q;

// Asked when a name to add leads nowhere (yet): a typing mistake is likelier
// than a computer that is still to come.
QString NotFoundQuestion(const QString& name, netapi::NET_API_STATUS why) {
    const QString head = why == netapi::WSAHOST_NOT_FOUND
                             ? QStringLiteral("No computer named \"") + name +
                                   QStringLiteral("\" was found (the name does not resolve).")
                             : QStringLiteral("\"") + name +
                                   QStringLiteral("\" could not be looked up: ") +
                                   Q(netenum::GetErrorText(why)).trimmed();
    return head + QStringLiteral("\n\nAdd it anyway?");
}

}  // namespace

ComputerList::ComputerList(Controls controls, std::function<void(int)> choose)
    : mControls(controls), mChoose(std::move(choose)) {}

void ComputerList::ListOfType(const QString& choose) {
    common::ShowWaitCursor();
    netapi::RetryAllComputers();
    // The list on show stays while the network answers: a listing given up
    // leaves it, its label and the type it belongs to as they were.
    const std::vector<std::u16string> before = mNames;
    const int code = List();
    if (code == static_cast<int>(netapi::ERROR_CANCELLED)) {
        mNames = before;
        mControls.types->setCurrentIndex(mListedType);
        mControls.messages->AppendLine(
            Q(netenum::FailureLine(u"NetServerEnum", netapi::ERROR_CANCELLED)));
        common::ShowNormalCursor();
        return;
    }
    mListedType = mControls.types->currentIndex();
    mControls.names->clear();
    if (code != 0) {
        common::CurrentPrompts().MessageBox(
            mControls.window,
            QStringLiteral("Error: ") + Q(netenum::GetErrorText(static_cast<std::uint32_t>(code))),
            common::ProductName(), common::Prompts::Icon::Exclamation);
    } else {
        for (const auto& name : mNames)
            if (!name.empty()) mControls.names->addItem(Q(name));
        if (mControls.names->count() > 0) {
            mControls.count->setText(QString::number(mNames.size() - 1) +
                                     QStringLiteral(" Computer Names"));
            mControls.count->adjustSize();
            const int chosen =
                choose.isEmpty() ? -1 : mControls.names->findText(choose, Qt::MatchFixedString);
            mChoose(std::max(chosen, 0));
        } else {
            mControls.count->setText(QStringLiteral("0 Computer Names"));
            mControls.count->adjustSize();
            mControls.names->setCurrentIndex(-1);
        }
    }
    common::ShowNormalCursor();
}

int ComputerList::List() {
    const std::uint32_t mask =
        MaskOfComputerType(mControls.types->currentText().toStdU16String());
    mNames.assign(1, std::u16string());
    const netenum::ServerListing servers = netenum::EnumServerNames(mask);
    if (servers.status != netapi::NERR_Success) return static_cast<int>(servers.status);
    if (servers.total > 0) {
        // One entry more than the claimed total; those the answer lacks stay empty.
        mNames.resize(static_cast<std::size_t>(servers.total) + 1);
        std::copy(servers.names.begin(), servers.names.end(), mNames.begin());
    }
    AddSaved();
    return 0;
}

void ComputerList::AddSaved() {
    for (const QString& saved : SavedServers()) {
        const std::u16string name = saved.toStdU16String();
        const bool listed = std::any_of(mNames.begin(), mNames.end(),
                                        [&](const std::u16string& listedName) {
                                            return text::EqualsIgnoreCase(listedName, name);
                                        });
        if (!listed) mNames.insert(mNames.end() - 1, name);
    }
}

void ComputerList::UpdateMenu() {
    // A computer's name may hold "&", which is no access key in a menu item.
    const auto inMenu = [](QString name) { return name.replace(QLatin1Char('&'), QStringLiteral("&&")); };
    const QString current = mControls.names->currentText();
    const bool removable = !current.isEmpty() && IsSavedServer(current);
    mControls.remove->setText(removable ? QStringLiteral("&Remove ") + inMenu(current)
                                        : QStringLiteral("&Remove Computer"));
    mControls.remove->setEnabled(removable);
    // The log-on belongs to the computer chosen, whose summary is on show.
    const bool logsOn = netapi::NetworkLogsOn();
    mControls.logOnAs->setEnabled(logsOn);
    mControls.forgetLogOn->setEnabled(logsOn);
    const QString chosen = inMenu(gComputerName);
    mControls.logOnAs->setText(QStringLiteral("Log On to ") + chosen + QStringLiteral(" &As..."));
    mControls.forgetLogOn->setText(QStringLiteral("&Forget Log-On to ") + chosen);
}

void ComputerList::Add() {
    QString typed;
    for (;;) {
        typed = common::CurrentPrompts().InputBox(
            mControls.window,
            QStringLiteral("Name or address of the computer to add (host name, full DNS name, "
                           "IPv4 or IPv6 address):"),
            QStringLiteral("Add Computer"), typed);
        if (typed.trimmed().isEmpty()) return;  // cancelled
        const ComputerNameCheck check = CheckComputerName(typed.toStdU16String());
        if (check.ok()) {
            const QString name = Q(check.name);
            // Whether the name leads anywhere is said now, not on some later listing.
            const netapi::NET_API_STATUS found = netapi::NetResolveComputer(check.name.c_str());
            if (found == netapi::ERROR_CANCELLED) continue;
            if (found != netapi::NERR_Success &&
                !common::CurrentPrompts().YesNo(mControls.window, NotFoundQuestion(name, found),
                                                common::ProductName(),
                                                common::Prompts::Icon::Question, false))
                continue;
            AddSavedServer(name);
            Refresh(name);
            return;
        }
        // Said, then the box comes back with the text to correct.
        common::CurrentPrompts().MessageBox(mControls.window, Q(check.problem),
                                            common::ProductName(),
                                            common::Prompts::Icon::Exclamation);
    }
}

void ComputerList::Remove() {
    const QString current = mControls.names->currentText();
    if (current.isEmpty() || !IsSavedServer(current)) return;
    if (!common::CurrentPrompts().YesNo(
            mControls.window,
            QStringLiteral("Remove ") + current + QStringLiteral(" from the computer list?"),
            common::ProductName(), common::Prompts::Icon::Question, false))
        return;
    RemoveSavedServer(current);
    Refresh(QString());
}

void ComputerList::Refresh(const QString& select) {
    if (mControls.types->currentIndex() < 0) {
        const int all = mControls.types->findText(QStringLiteral("All Servers"));
        if (all < 0) return;
        mControls.types->setCurrentIndex(all);
    }
    ListOfType(select);
}

}  // namespace app
