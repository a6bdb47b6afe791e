#include "WindowMessage.h"

#include <QCoreApplication>

namespace app {

void SendWindowMessage(QObject* window, std::uint32_t msg, std::uint32_t wParam,
                       std::uint32_t lParam) {
    WindowMessageEvent event(msg, wParam, lParam);
    QCoreApplication::sendEvent(window, &event);
}

void PostWindowMessage(QObject* window, std::uint32_t msg, std::uint32_t wParam,
                       std::uint32_t lParam) {
    QCoreApplication::postEvent(window, new WindowMessageEvent(msg, wParam, lParam));
}

}  // namespace app
