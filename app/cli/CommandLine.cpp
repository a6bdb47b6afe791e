#include "CommandLine.h"

#include <csignal>
#include <ostream>
#include <vector>

#include "app/NetworkChoice.h"
#include "netenum/MessageTarget.h"
#include "netenum/colFileEnum.h"
#include "netenum/modAPI_Error.h"
#include "pattern/PatternMatch.h"
#include "text/Text.h"

namespace app {
namespace {

// Failure lines have no window here: each becomes one line on the error
// stream (an advice line joins it, the empty one is dropped, any other control
// character is escaped) and marks the run as failed.
class StreamSink final : public netenum::MessageSink {
public:
    explicit StreamSink(std::ostream& err) : mErr(err) {}

    void AppendLine(const std::u16string& line) override {
        mFailed = true;
        mErr << text::ToUtf8(text::EscapeControls(text::JoinLineParts(line))) << '\n';
        mErr.flush();
    }

    bool Failed() const { return mFailed; }

private:
    std::ostream& mErr;
    bool mFailed = false;
};

std::vector<std::u16string> SplitAtCommas(const std::u16string& line) {
    std::vector<std::u16string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(u',', start);
        fields.push_back(line.substr(start, comma == std::u16string::npos ? std::u16string::npos
                                                                          : comma - start));
        if (comma == std::u16string::npos) break;
        start = comma + 1;
    }
    return fields;
}

}  // namespace

std::u16string NormalizedCommandLine(int argc, const char* const* argv) {
    std::string joined;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) joined += ' ';
        joined += argv[i];
    }
    return text::ToLower(text::TrimSpaces(text::FromUtf8(joined)));
}

bool IsInteractiveCommandLine(const std::u16string& normalized) {
    return normalized.empty() || normalized == u"/p";
}

std::u16string CommandLineServer(const std::u16string& loweredLine) {
    return SplitAtCommas(loweredLine).front();
}

int RunCommandLine(const std::u16string& loweredLine, std::ostream& err) {
    // Fields are not trimmed: a blank next to a comma belongs to the field.
    const std::vector<std::u16string> fields = SplitAtCommas(loweredLine);
    if (fields.size() < 3 || fields[2] != u"c" || fields[0].empty() || fields[1].empty()) {
        err << "vantor: cannot read the command line \""
            << text::ToUtf8(text::EscapeControls(loweredLine))
            << "\"; usage: vantor SERVER,PATTERN,c (closes every open file on SERVER whose "
               "path matches PATTERN)\n";
        return kExitMalformed;
    }
    if (fields[1].size() > kMaxPatternLength) {
        err << "vantor: the pattern is longer than " << kMaxPatternLength
            << " characters; nothing was closed\n";
        return kExitMalformed;
    }
    const std::u16string& server = fields[0];
    // Both sides folded by Unicode's rules, so "*été.tmp" finds "ÉTÉ.TMP".
    const pattern::Pattern pattern(text::FoldCase(fields[1]));

    // A closed standard error must not end the run half-way: each write then
    // fails quietly and the remaining files are still closed.
    std::signal(SIGPIPE, SIG_IGN);
    StreamSink sink(err);
    netenum::ScopedMessageTarget target(&sink);
    netenum::colFileEnum files;
    files.Init(server);
    // Part of a list is not the list: what matches in it is still closed, but
    // the run reports that files may have been missed.
    if (files.Incomplete())
        sink.AppendLine(netenum::IncompleteListLine(files.Count(), files.TotalEntries(), u"files"));
    for (const auto& file : files) {
        if (pattern.Matches(text::FoldCase(file.PathName())))
            files.CloseListedFile(file, server);
    }
    if (sink.Failed())
        if (const std::string tried = RefusedLogon(server); !tried.empty())
            sink.AppendLine(u"logged on with " + text::FromUtf8(tried) + u"; the server refused it");
    return sink.Failed() ? kExitFailed : kExitOk;
}

}  // namespace app
