#pragma once
// Prompts for tests: records every box and answers from queues filled in
// advance. A question with nothing queued gets No or the empty string and is
// counted, so a test can prove that it foresaw every question.
#include <QString>
#include <deque>
#include <vector>

#include "Prompts.h"

namespace common {

class ScriptedPrompts final : public Prompts {
public:
    enum class Kind { Message, YesNo, Input };
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

    const std::vector<Asked>& asked() const { return mAsked; }
    int unanswered() const { return mUnanswered; }
    void Clear();

    void MessageBox(QWidget* parent, const QString& text, const QString& title,
                    Icon icon) override;
    bool YesNo(QWidget* parent, const QString& text, const QString& title, Icon icon,
               bool defaultYes) override;
    QString InputBox(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultText) override;

private:
    std::vector<Asked> mAsked;
    int mUnanswered = 0;
};

}  // namespace common
