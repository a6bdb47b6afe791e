#pragma once
// "&Send Message" of every tool window: asks for a text and sends it as a
// pop-up to the user of each selected row (the row's own text), then reports
// the outcome by replacing the window's System Messages pane. Where the
// messenger service is gone (50), the message goes to the user's desktop
// sessions on the window's server instead, and the pane names them.
#include <QString>
#include <cstdint>

class QWidget;

namespace common {

class MessagePane;
class ReportList;

// NetMessageBufferSend from this computer to `recipient`: 0 when delivered.
std::uint32_t SendNetMessage(const QString& recipient, const QString& message);

class SendMessage final {
public:
    // The click handler of Command3 in `window`, on its user list and pane;
    // `server` is the computer the window shows ("" the local one).
    static void Run(QWidget* window, ReportList& list, MessagePane& pane, const QString& server);
};

}  // namespace common
