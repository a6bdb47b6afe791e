// Start procedure. The command line is looked at before any window object
// exists: the window-less mode must run where there is no display at all.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <iostream>
#include <string>

#include "NetworkChoice.h"
#include "app/cli/SearchChild.h"
#include "app/cli/CommandLine.h"
#include "app/cli/ListMode.h"
#include "app/cli/ShareMode.h"
#include "app/window/Icons.h"
#include "app/window/SavedServers.h"
#include "app/window/StartupClock.h"
#include "app/window/frmMain.h"
#include "netenum/CallControl.h"
#include "windows/common/CallWait.h"
#include "windows/common/Product.h"
#include "windows/common/Settings.h"
#include "windows/logon/DesktopLogon.h"
#include "windows/find/frmFindAll.h"
#include "windows/resources/frmResources.h"
#include "windows/shares/frmSharedResources.h"
#include "windows/sessions/frmUserSessions.h"

namespace {

template <typename Window>
app::ToolWindowFactory Factory() {
    return [](common::MainFormLink& main, QWidget* parent) -> std::unique_ptr<QDialog> {
        return std::make_unique<Window>(main, parent);
    };
}

// On the real network each computer is asked by a child process, this
// program again; it gets the account only of a computer the administrator
// named, read here from the keyring (the child cannot reach the session bus).
app::ToolWindowFactory FindAllFactory(std::shared_ptr<logon::DesktopLogon> logOn) {
    return [logOn](common::MainFormLink& main, QWidget* parent) -> std::unique_ptr<QDialog> {
        find::FindSetup setup;
        if (app::RealNetwork()) {
            setup.children = app::SearchChildProgram(
                QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toStdString(), logOn);
            setup.limits.atOnce = 16;
        }
        setup.limits.deadline = netapi::GetCallLimits().deadline;
        return std::make_unique<find::frmFindAll>(main, parent, std::move(setup));
    };
}

app::OutputKind StandardOutputKind() {
    if (isatty(STDOUT_FILENO)) return app::OutputKind::Terminal;
    struct stat about {};
    if (fstat(STDOUT_FILENO, &about) == 0 && S_ISREG(about.st_mode)) return app::OutputKind::File;
    return app::OutputKind::Pipe;
}

// The share commands: checked before any network is chosen, then run in this
// process against the one server named, with its kept account.
int RunShareOptions(int argc, char** argv) {
    std::string problem;
    const auto command = app::ParseShareCommand(argc, argv, problem);
    if (!command) {
        std::cerr << "vantor: " << problem << "; nothing was changed\n" << app::UsageLine() << '\n';
        return app::kExitMalformed;
    }
    std::string error;
    if (!app::ChooseNetworkFromEnvironment(error)) {
        std::cerr << "vantor: " << error << '\n';
        return app::kExitFailed;
    }
    QCoreApplication core(argc, argv);
    app::NameTypedServers({command->server});
    logon::InstallDesktopLogon(false);
    const int status = app::RunShareCommand(*command, StandardOutputKind(), std::cout, std::cerr);
    logon::SetLookup(nullptr);
    return status;
}

// The options form: --help, or the list mode. A malformed line is refused
// before any network is chosen or asked.
int RunOptions(int argc, char** argv) {
    if (app::IsShareCommandLine(argc, argv)) return RunShareOptions(argc, argv);
    const app::OptionLine line = app::ParseOptionLine(argc, argv);
    if (line.kind == app::OptionLine::Kind::Help) {
        std::cout << app::HelpText(app::ShareHelpText());
        return app::kExitOk;
    }
    if (line.kind == app::OptionLine::Kind::Malformed) {
        std::cerr << "vantor: " << line.problem << '\n' << app::UsageLine() << '\n';
        return app::kExitMalformed;
    }
    std::string error;
    if (!app::ChooseNetworkFromEnvironment(error)) {
        std::cerr << "vantor: " << error << '\n';
        return app::kExitFailed;
    }
    // The configured servers belong to "--server all"; the settings are read
    // without any window (QSettings needs no display).
    const QString configured = common::GetSetting(common::ProductName(), QStringLiteral("Network"),
                                                  QStringLiteral("Servers"));
    app::SetKnownServers(configured.toStdU16String());
    // "all" is what the window lists under "All Servers".
    app::SetDiscovery(common::GetSetting(common::ProductName(), QStringLiteral("Network"),
                                         QStringLiteral("Discover")) != QLatin1String("0"));
    // The keyring answers on the session bus, which a child process cannot
    // share: the accounts of the servers named are read here first, and each
    // child gets its own server's (no display needed, nobody is asked).
    QCoreApplication core(argc, argv);
    auto keyring = std::make_shared<logon::DesktopLogon>(std::make_shared<logon::QtKeyring>(), false);
    const int status = app::RunListMode(
        line.request, app::ConfiguredServers(), StandardOutputKind(), std::cout, std::cerr,
        [keyring](const std::string& key) { return keyring->Known(key); });
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // A search's child: no window, no settings, nothing but its one job.
    if (argc == 2 && argv[1] == app::kSearchChildOption) return app::RunSearchChild();
    if (app::IsOptionCommandLine(argc, argv)) return RunOptions(argc, argv);
    const std::u16string line = app::NormalizedCommandLine(argc, argv);

    std::string error;
    if (!app::ChooseNetworkFromEnvironment(error)) {
        std::cerr << "vantor: " << error << '\n';
        return app::kExitFailed;
    }
    if (!app::IsInteractiveCommandLine(line)) {
        // No window and no display: the keyring is read, nobody is asked.
        QCoreApplication core(argc, argv);
        app::NameTypedServers({app::CommandLineServer(line)});
        logon::InstallDesktopLogon(false);
        const int status = app::RunCommandLine(line, std::cerr);
        logon::SetLookup(nullptr);
        return status;
    }

    // Qt aborts without a display; say so in one line instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::cerr << "vantor: no display for the window (DISPLAY is not set); the command-line "
                     "mode needs none: vantor SERVER,PATTERN,c\n";
        return app::kExitFailed;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(common::ProductName());
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VANTOR_APP_ID));
    QApplication::setWindowIcon(app::AppIcon());

    app::PublishSavedServers();
    // Finding servers on the network is on unless switched off ("0").
    app::SetDiscovery(common::GetSetting(common::ProductName(), QStringLiteral("Network"),
                                         QStringLiteral("Discover")) != QLatin1String("0"));
    const std::shared_ptr<logon::DesktopLogon> logOn = logon::InstallDesktopLogon(true);
    // Network calls run on a worker while the windows keep painting.
    common::WaitingCallRunner runner;
    netapi::SetCallRunner(&runner);
    struct Unset {
        ~Unset() { netapi::SetCallRunner(nullptr); }
    } unset;
    app::frmMain window({Factory<resources::frmResources>(), Factory<shares::frmSharedResources>(),
                         Factory<sessions::frmUserSessions>(), FindAllFactory(logOn)});
    // The log-on prompt's owner when no window of the program is active.
    logOn->SetFallbackParent(&window);
    window.SetQuitOnClose(true);
    window.Load();

    // For the start-up figure: the window is up with the local summary filled.
    if (qEnvironmentVariableIsSet("VANTOR_EXIT_AFTER_SHOWN")) {
        QCoreApplication::processEvents();
        if (const auto elapsed = app::MillisecondsSinceProcessStart())
            std::cout << "startup-ms " << *elapsed << std::endl;
        return 0;
    }
    return QApplication::exec();
}
