#include "Desktop.h"

#include "QtDesktop.h"
#include "windows/common/Installed.h"

namespace about {
namespace {
constinit common::Installed<Desktop, QtDesktop> gDesktop;
}  // namespace

Desktop& CurrentDesktop() { return gDesktop.Current(); }

std::shared_ptr<Desktop> SetDesktop(std::shared_ptr<Desktop> desktop) {
    return gDesktop.Replace(std::move(desktop));
}

}  // namespace about
