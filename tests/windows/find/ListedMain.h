#pragma once
// The main window as Find on All Computers sees it: the computer list only.
#include <string>
#include <vector>

#include "windows/common/MainFormLink.h"

namespace findtest {

class ListedMain final : public common::MainFormLink {
public:
    QString ChosenComputer() const override { return "**LOCAL**"; }
    QString RemoteServer() const override { return {}; }
    void FillGeneral() override {}
    netenum::MessageSink* MainMessageTarget() override { return nullptr; }
    std::vector<std::u16string> ListedComputers() const override { return computers; }
    std::vector<std::u16string> computers;
};

}  // namespace findtest
