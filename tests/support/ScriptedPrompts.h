#pragma once
// Prompts for tests: records every box and answers from queues filled in
// advance. A question with nothing queued gets No or the empty string and is
// counted, so a test can prove that it foresaw every question.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "windows/common/Prompts.h"

namespace common {

class ScriptedPrompts final : public Prompts {
public:
    enum class Kind { Message, YesNo, Input, SaveFile, LogOn, Dialog };
    struct Asked {
        Kind kind;
        QString text;
        QString title;
        Icon icon = Icon::None;
        bool defaultYes = false;
        QString defaultText;  // a file dialog's filters, a log-on's user
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
    // Each fills the dialog it is handed (as a person would) and answers
    // whether it was accepted, usually by clicking its OK button.
    std::deque<std::function<bool(QDialog&)>> dialogAnswers;

    const std::vector<Asked>& asked() const { return mAsked; }
    int unanswered() const { return mUnanswered; }
    // Forgets what was asked and drops every queued answer and hook.
    void Clear() { *this = ScriptedPrompts(); }

    void MessageBox(QWidget*, const QString& text, const QString& title, Icon icon) override {
        mAsked.push_back({Kind::Message, text, title, icon, false, {}});
    }
    bool YesNo(QWidget*, const QString& text, const QString& title, Icon icon, bool defaultYes) override {
        mAsked.push_back({Kind::YesNo, text, title, icon, defaultYes, {}});
        return Next(yesNoAnswers, false);
    }
    QString InputBox(QWidget*, const QString& prompt, const QString& title,
                     const QString& defaultText) override {
        mAsked.push_back({Kind::Input, prompt, title, Icon::None, false, defaultText});
        return Next(inputAnswers, QString());
    }
    QString SaveFileName(QWidget*, const QString& title, const QStringList& filters,
                         QString& selectedFilter) override {
        mAsked.push_back({Kind::SaveFile, {}, title, Icon::None, false, filters.join(u";;")});
        const SaveAnswer answer = Next(saveAnswers, SaveAnswer{{}, selectedFilter});
        selectedFilter = answer.filter;
        return answer.fileName;
    }
    std::optional<LogonAnswer> LogOn(QWidget*, const LogonRequest& request) override {
        mAsked.push_back({Kind::LogOn, request.message, QStringLiteral("Log on to ") + request.server,
                          Icon::None, false, request.user});
        logonRequests.push_back(request);
        if (onLogOn) onLogOn();
        return Next(logonAnswers, std::optional<LogonAnswer>());
    }

    bool RunDialog(QDialog& dialog) override {
        mAsked.push_back({Kind::Dialog, {}, dialog.windowTitle(), Icon::None, false, {}});
        const auto answer = Next(dialogAnswers, std::function<bool(QDialog&)>());
        return answer ? answer(dialog) : false;
    }

private:
    template <typename T>
    T Next(std::deque<T>& queue, T none) {
        if (queue.empty()) {
            ++mUnanswered;
            return none;
        }
        T answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }

    std::vector<Asked> mAsked;
    int mUnanswered = 0;
};

// Scripted prompts for as long as the object lives; the previous ones after.
class PromptsScope {
public:
    PromptsScope() : mPrevious(SetPrompts(mPrompts)) {}
    ~PromptsScope() { SetPrompts(mPrevious); }
    PromptsScope(const PromptsScope&) = delete;
    PromptsScope& operator=(const PromptsScope&) = delete;
    ScriptedPrompts* operator->() const { return mPrompts.get(); }
    ScriptedPrompts& operator*() const { return *mPrompts; }

private:
    std::shared_ptr<ScriptedPrompts> mPrompts = std::make_shared<ScriptedPrompts>();
    std::shared_ptr<Prompts> mPrevious;
};

}  // namespace common
