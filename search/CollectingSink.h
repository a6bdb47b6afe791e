#pragma once
// The collections' failure lines, gathered for an answer instead of shown:
// each made one line (the advice that follows a code joins it), in UTF-8.
#include <string>
#include <vector>

#include "netenum/MessageTarget.h"
#include "text/Text.h"

namespace search {

class CollectingSink final : public netenum::MessageSink {
public:
    explicit CollectingSink(std::vector<std::string>& lines) : mLines(lines) {}
    void AppendLine(const std::u16string& line) override {
        mLines.push_back(text::ToUtf8(text::JoinLineParts(line)));
    }

private:
    std::vector<std::string>& mLines;
};

}  // namespace search
