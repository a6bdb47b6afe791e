#include "SendMessage.h"

#include <QCoreApplication>
#include <QStringList>
#include <vector>

#include "MessagePane.h"
#include "Prompts.h"
#include "ReportList.h"
#include "WaitCursor.h"
#include "WindowParts.h"
#include "netenum/NetCalls.h"

namespace common {

std::uint32_t SendNetMessage(const QString& recipient, const QString& message) {
    return netenum::SendMessageText(recipient.toStdU16String(), message.toStdU16String());
}

namespace {

// Why a send answered 50: said once, after the first line it explains.
const QString kNoMessenger = QStringLiteral(
    "This server does not accept messages (current Windows servers and Samba do not run the "
    "messenger service).");

// How one recipient's message went: by the messenger service, to desktop
// sessions, or not at all (with the reason, when there is one in words).
struct Delivery {
    bool sent = false;
    QStringList sessions;  // the desktop sessions that got it
    QString why;
};

// The window's server for the whole command: once it has shown that it has
// no terminal services either, it is not asked again.
class Sender {
public:
    explicit Sender(const QString& server) : mServer(server.toStdU16String()) {}

    Delivery Send(const QString& recipient, const QString& message) {
        Delivery d;
        const std::uint32_t status = SendNetMessage(recipient, message);
        d.sent = status == 0;
        if (status != netapi::ERROR_NOT_SUPPORTED) return d;
        if (!mNoDesktops) {
            const netenum::DesktopMessage desktop = netenum::SendDesktopMessage(
                mServer, recipient.toStdU16String(), message.toStdU16String());
            if (desktop.status == netapi::NERR_Success) {
                d.sent = true;
                for (const auto& session : desktop.sessions) d.sessions << Escaped(Q(session));
                return d;
            }
            switch (desktop.status) {
                case netapi::ERROR_NOT_SUPPORTED:
                case netapi::RPC_S_SERVER_UNAVAILABLE:  // no terminal services pipe (Samba)
                case 1717:                              // a pipe that is not theirs
                    mNoDesktops = true;
                    break;
                case netapi::NERR_NameNotFound:
                    d.why = Escaped(recipient) +
                            QStringLiteral(" has no session on the server's desktop to show it in.");
                    return d;
                case netapi::ERROR_INVALID_PARAMETER:
                    d.why = QStringLiteral(
                        "A message to a desktop session can hold at most 512 characters.");
                    return d;
                default:
                    return d;
            }
        }
        if (!mExplained) {
            d.why = kNoMessenger;
            mExplained = true;
        }
        return d;
    }

private:
    std::u16string mServer;
    bool mNoDesktops = false;
    bool mExplained = false;
};

QString SentLine(const QString& name, const Delivery& d) {
    QString line = QStringLiteral("Message sent to ") + Escaped(name);
    if (!d.sessions.isEmpty())
        line += (d.sessions.size() == 1 ? QStringLiteral(" in session ")
                                        : QStringLiteral(" in sessions ")) +
                d.sessions.join(QStringLiteral(", "));
    return line + QLatin1Char('.');
}

}  // namespace

void SendMessage::Run(QWidget* window, ReportList& list, MessagePane& pane, const QString& server) {
    ShowWaitCursor();
    const int current = list.CurrentRow();
    // The recipients are read now: the input box below runs an event loop in
    // which a timer may rebuild the list.
    std::vector<QString> recipients;
    for (int row : list.SelectedRows()) recipients.push_back(list.Text(row));
    const auto selected = static_cast<long long>(recipients.size());
    QString single;
    if (current >= 0)
        single = list.Text(current);
    else if (selected == 1)
        single = recipients.front();
    ShowNormalCursor();
    if (selected == 0 && current < 0) return;  // nobody to write to

    const QString prompt = selected < 2
                               ? QStringLiteral("Enter message to send to ") + Escaped(single)
                               : QStringLiteral("Enter message to send to %1 users").arg(selected);
    const QString message = TrimSpaces(
        CurrentPrompts().InputBox(window, prompt, QStringLiteral("Send Message"), QString()));
    if (message.isEmpty()) return;

    ShowWaitCursor();
    pane.SetText(QStringLiteral("Sending message..."));
    QCoreApplication::processEvents();

    Sender sender(server);
    QStringList lines;
    if (selected < 2) {
        const Delivery d = sender.Send(single, message);
        lines << (d.sent ? SentLine(single, d)
                         : QStringLiteral("Unable to send message to ") + Escaped(single) +
                               QLatin1Char('.'));
        if (!d.why.isEmpty()) lines << d.why;
    } else {
        // Each failed send is named before the total, which still counts every
        // selected row; so is each that reached desktop sessions, with them.
        for (const QString& name : recipients) {
            const Delivery d = sender.Send(name, message);
            if (d.sent && d.sessions.isEmpty()) continue;
            lines << (d.sent ? SentLine(name, d)
                             : QStringLiteral("Unable to send message to ") + Escaped(name) +
                                   QLatin1Char('.'));
            if (!d.why.isEmpty()) lines << d.why;
        }
        lines << QStringLiteral("Message sent to %1 users.").arg(selected);
    }
    pane.SetText(lines.join(QStringLiteral("\r\n")));
    QCoreApplication::processEvents();
    ShowNormalCursor();
}

}  // namespace common
