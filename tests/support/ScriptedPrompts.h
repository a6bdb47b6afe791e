#pragma once
// Prompts for tests: records every box and answers from queues filled in
// advance. A question with nothing queued gets No or the empty string and is
// counted, so a test can prove that it foresaw every question.
#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "windows/common/Prompts.h"

namespace common {

class ScriptedPrompts final : public Prompts {
public:
    enum class Kind { Message, YesNo, Input, SaveFile, LogOn };
    struct Asked {
        Kind kind;
        QString text;
        QString title;
        Icon icon = Icon::None;
        bool defaultYes = false;
        QString defaultText;
    };

    std::deque<bool> yesNoAnswers;
    std::deque<QString> inputAnswers;
    // A file dialog's answer: the file name and the filter chosen with it.
    struct SaveAnswer {
        QString fileName;
        QString filter;
    };
    std::deque<SaveAnswer> saveAnswers;
    // Nothing in an entry (or nothing queued) cancels the log-on prompt.
    std::deque<std::optional<LogonAnswer>> logonAnswers;
    // Runs as each log-on is asked for (to see where it was asked).
    std::function<void()> onLogOn;
    std::vector<LogonRequest> logonRequests;

    const std::vector<Asked>& asked() const { return mAsked; }
    int unanswered() const { return mUnanswered; }
    void Clear();

    void MessageBox(QWidget* parent, const QString& text, const QString& title,
                    Icon icon) override;
    bool YesNo(QWidget* parent, const QString& text, const QString& title, Icon icon,
               bool defaultYes) override;
    QString InputBox(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                         QString& selectedFilter) override;
    std::optional<LogonAnswer> LogOn(QWidget* parent, const LogonRequest& request) override;

private:
    std::vector<Asked> mAsked;
    int mUnanswered = 0;
};

}  // namespace common
