#pragma once
// "&Send Message" of every tool window: asks for a text and sends it as a
// pop-up to the user of each selected row (the row's own text), then reports
// the outcome by replacing the window's System Messages pane.
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
    // The click handler of Command3 in `window`, on its user list and pane.
    static void Run(QWidget* window, ReportList& list, MessagePane& pane);
};

}  // namespace common
