// Start procedure, until the main window exists: the command-line mode only.
#include <iostream>
#include <string>

#include "CommandLine.h"
#include "NetworkChoice.h"

int main(int argc, char** argv) {
    const std::u16string line = app::NormalizedCommandLine(argc, argv);
    if (app::IsInteractiveCommandLine(line)) {
        std::cerr << "vantor: the window is not available yet; usage: vantor SERVER,PATTERN,c\n";
        return app::kExitMalformed;
    }
    std::string error;
    if (!app::ChooseNetworkFromEnvironment(error)) {
        std::cerr << "vantor: " << error << '\n';
        return app::kExitFailed;
    }
    return app::RunCommandLine(line, std::cerr);
}
