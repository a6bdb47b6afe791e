#include "MainFormLink.h"

#include <QDialog>
#include <map>

namespace common {
namespace {
MainFormLink* gMainForm = nullptr;

std::map<ToolWindow, ToolWindowFactory>& Factories() {
    static std::map<ToolWindow, ToolWindowFactory> factories;
    return factories;
}
}  // namespace

void SetMainForm(MainFormLink* mainForm) { gMainForm = mainForm; }
MainFormLink* MainForm() { return gMainForm; }

void RegisterToolWindow(ToolWindow which, ToolWindowFactory factory) {
    if (factory)
        Factories()[which] = std::move(factory);
    else
        Factories().erase(which);
}

const ToolWindowFactory* FindToolWindow(ToolWindow which) {
    const auto found = Factories().find(which);
    return found == Factories().end() ? nullptr : &found->second;
}

}  // namespace common
