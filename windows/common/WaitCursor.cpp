#include "WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace common {
namespace {
bool gWaitShown = false;
}

void ShowWaitCursor() {
    if (gWaitShown || qGuiApp == nullptr) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    gWaitShown = true;
}

void ShowNormalCursor() {
    if (!gWaitShown) return;
    gWaitShown = false;
    if (qGuiApp != nullptr) QGuiApplication::restoreOverrideCursor();
}

bool IsWaitCursorShown() { return gWaitShown; }

}  // namespace common
