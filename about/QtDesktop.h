#pragma once
// The real desktop: QDesktopServices opens addresses and files; the handler is
// looked for the way Qt's own launcher looks for it on a Unix desktop.
#include "Desktop.h"

namespace about {

class QtDesktop final : public Desktop {
public:
    bool HasHandler(const QUrl& url) override;
    bool Open(const QUrl& url) override;
    void Beep() override;
};

}  // namespace about
