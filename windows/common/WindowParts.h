#pragma once
// The small pieces every window is built from: text from the layers below,
// the rule that a failing step is skipped, and controls placed in twips.
#include <QLoggingCategory>
#include <QString>
#include <QStringView>
#include <exception>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QLabel;
class QPushButton;
class QWidget;

namespace common {

Q_DECLARE_LOGGING_CATEGORY(lcSkipped)

// UTF-16 text of the layers below as a QString.
QString Q(std::u16string_view text);
// A count the server may not have given (a lower information level): blank
// when it did not, never a zero it did not say.
QString Number(std::optional<std::int32_t> value);
// Text from a server for one line of the pane or a list: controls and bidi
// controls escaped (see text::EscapeControls); the same text when it has none.
QString Escaped(QStringView text);
// Blanks only, tabs stay: the program's one trim (text::TrimSpaces below Qt).
QString TrimSpaces(const QString& text);

// A network step that throws (a provider's fault, memory running out on a
// server's answer) is skipped and the command goes on with the next one;
// what was skipped is written to the "vantor.skipped" logging category.
void LogSkipped(const char* what, const char* why);
template <typename Step>
void SkipOnError(const char* what, Step&& step) {
    try {
        step();
    } catch (const std::exception& error) {
        LogSkipped(what, error.what());
    }
}

// A collection read afresh from the server: built aside and put in place
// only once complete, so that the rows on show keep their records while the
// server answers. False when the read was given up (Esc) or threw: the old
// collection then stays, and the rows on show with it.
template <typename Collection, typename... Args>
bool ReadCollection(std::unique_ptr<Collection>& collection, const Args&... args) {
    bool taken = false;
    SkipOnError("reading a list", [&] {
        auto fresh = std::make_unique<Collection>();
        fresh->Init(args...);
        if (fresh->Cancelled()) return;
        collection = std::move(fresh);
        taken = true;
    });
    return taken;
}

// A caption is never cut short: where the window's font needs more room than
// the layout gives, the control grows to the right.
void GrowToFit(QWidget* widget);
// Where a caption grown to fit reaches `widget`, `widget` moves along to stay
// `gapTwips` after it rather than under it.
void KeepRightOf(QWidget* widget, const QWidget* neighbour, int gapTwips);

// A count in its box; the box grows to show every digit.
void ShowCount(QLabel* label, long long count);
// The same for a count that may not have been read: then the box is empty,
// never 0.
void ShowCount(QLabel* label, bool read, long long count);

// A label placed in twips and grown to fit its caption.
QLabel* NewLabel(QWidget* parent, const QString& text, int left, int top, int width, int height,
                 bool bold = false);
// A command button placed in twips.
QPushButton* NewButton(QWidget* parent, const QString& text, int left, int top, int width,
                       int height);

}  // namespace common
