#pragma once
// What the About box and the help key ask of the desktop: is there a program
// for an address, open it there, and the beep. Tests install their own.
#include <memory>

class QUrl;

namespace about {

class Desktop {
public:
    virtual ~Desktop() = default;
    // Whether some program is registered to open `url`.
    virtual bool HasHandler(const QUrl& url) = 0;
    // Starts that program with `url`; false when it could not be started.
    virtual bool Open(const QUrl& url) = 0;
    virtual void Beep() = 0;
};

// The program's desktop: the real one (QtDesktop) unless a test installed another.
Desktop& CurrentDesktop();
// Installs `desktop` and returns the previous one (null when the default was active).
std::shared_ptr<Desktop> SetDesktop(std::shared_ptr<Desktop> desktop);

}  // namespace about
