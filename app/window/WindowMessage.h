#pragma once
// A window message as the classic window procedure sees it (msg, wParam,
// lParam), carried in a Qt event. The tray's notifications and the system
// commands of the main window travel this way, so the tray's window procedure
// can be an event filter installed on the main window.
#include <QEvent>
#include <cstdint>

class QObject;

namespace app {

inline constexpr std::uint32_t TRAY_CALLBACK_MESSAGE = 2025;  // 0x07E9
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr std::uint32_t SC_MINIMIZE = 0xF020;
inline constexpr std::uint32_t SC_RESTORE = 0xF120;
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr std::uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr std::uint32_t WM_MBUTTONUP = 0x0208;

class WindowMessageEvent final : public QEvent {
public:
    WindowMessageEvent(std::uint32_t msg, std::uint32_t wParam, std::uint32_t lParam)
        : QEvent(EventType()), mMsg(msg), mWParam(wParam), mLParam(lParam) {}

    static QEvent::Type EventType() { return static_cast<QEvent::Type>(QEvent::User + 2025); }

    std::uint32_t msg() const { return mMsg; }
    std::uint32_t wParam() const { return mWParam; }
    std::uint32_t lParam() const { return mLParam; }

private:
    std::uint32_t mMsg;
    std::uint32_t mWParam;
    std::uint32_t mLParam;
};

// SendMessageA's place: delivered at once, through the window's event filters.
void SendWindowMessage(QObject* window, std::uint32_t msg, std::uint32_t wParam,
                       std::uint32_t lParam);
// PostMessage's place: delivered by the event loop.
void PostWindowMessage(QObject* window, std::uint32_t msg, std::uint32_t wParam,
                       std::uint32_t lParam);

}  // namespace app
