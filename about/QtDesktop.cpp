#include "QtDesktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QStandardPaths>
#include <QUrl>

#include "windows/common/Installed.h"

namespace about {
namespace {

bool OnPath(const char* program) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty();
}

bool EnvironmentNamesBrowser() {
    return !qEnvironmentVariableIsEmpty("BROWSER") || !qEnvironmentVariableIsEmpty("DEFAULT_BROWSER");
}

}  // namespace

bool QtDesktop::HasHandler(const QUrl& url) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Qt hands addresses to xdg-open (xdg-email for mail), and web addresses
    // also to the browser the environment names or a well-known one.
    if (OnPath("xdg-open")) return true;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto")) return OnPath("xdg-email");
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        if (EnvironmentNamesBrowser()) return true;
        for (const char* browser : {"firefox", "firefox-esr", "chromium", "google-chrome", "opera"})
            if (OnPath(browser)) return true;
    }
    return false;
#else
    Q_UNUSED(url);
    return true;
#endif
}

bool QtDesktop::Open(const QUrl& url) { return QDesktopServices::openUrl(url); }

void QtDesktop::Beep() { QApplication::beep(); }

// The installed desktop: this real one unless a test put another in place.
namespace {
constinit common::Installed<Desktop, QtDesktop> gDesktop;
}  // namespace

Desktop& CurrentDesktop() { return gDesktop.Current(); }

std::shared_ptr<Desktop> SetDesktop(std::shared_ptr<Desktop> desktop) {
    return gDesktop.Replace(std::move(desktop));
}

}  // namespace about
