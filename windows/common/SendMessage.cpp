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

}  // namespace

void SendMessage::Run(QWidget* window, ReportList& list, MessagePane& pane) {
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

    if (selected < 2) {
        const std::uint32_t status = SendNetMessage(single, message);
        QString text = (status == 0 ? QStringLiteral("Message sent to ")
                                    : QStringLiteral("Unable to send message to ")) +
                       Escaped(single) + QLatin1Char('.');
        if (status == netapi::ERROR_NOT_SUPPORTED) text += QStringLiteral("\r\n") + kNoMessenger;
        pane.SetText(text);
    } else {
        // Each failed send is named before the total, which still counts every
        // selected row.
        QStringList lines;
        bool explained = false;
        for (const QString& name : recipients) {
            const std::uint32_t status = SendNetMessage(name, message);
            if (status == 0) continue;
            lines << QStringLiteral("Unable to send message to ") + Escaped(name) + QLatin1Char('.');
            if (status == netapi::ERROR_NOT_SUPPORTED && !explained) {
                lines << kNoMessenger;
                explained = true;
            }
        }
        lines << QStringLiteral("Message sent to %1 users.").arg(selected);
        pane.SetText(lines.join(QStringLiteral("\r\n")));
    }
    QCoreApplication::processEvents();
    ShowNormalCursor();
}

}  // namespace common
