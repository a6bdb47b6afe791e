#include "ScriptedPrompts.h"

namespace common {

void ScriptedPrompts::Clear() {
    mAsked.clear();
    yesNoAnswers.clear();
    inputAnswers.clear();
    saveAnswers.clear();
    logonAnswers.clear();
    logonRequests.clear();
    mUnanswered = 0;
}

void ScriptedPrompts::MessageBox(QWidget*, const QString& text, const QString& title,
                                 Icon icon) {
    mAsked.push_back({Kind::Message, text, title, icon, false, {}});
}

bool ScriptedPrompts::YesNo(QWidget*, const QString& text, const QString& title, Icon icon,
                            bool defaultYes) {
    mAsked.push_back({Kind::YesNo, text, title, icon, defaultYes, {}});
    if (yesNoAnswers.empty()) {
        ++mUnanswered;
        return false;
    }
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::InputBox(QWidget*, const QString& prompt, const QString& title,
                                  const QString& defaultText) {
    mAsked.push_back({Kind::Input, prompt, title, Icon::None, false, defaultText});
    if (inputAnswers.empty()) {
        ++mUnanswered;
        return {};
    }
    QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::SaveFileName(QWidget*, const QString& title, const QStringList& filters,
                                      QString& selectedFilter) {
    // The filters are kept where an input box keeps its default text.
    mAsked.push_back({Kind::SaveFile, {}, title, Icon::None, false, filters.join(u";;")});
    if (saveAnswers.empty()) {
        ++mUnanswered;
        return {};
    }
    SaveAnswer answer = saveAnswers.front();
    saveAnswers.pop_front();
    selectedFilter = answer.filter;
    return answer.fileName;
}

std::optional<LogonAnswer> ScriptedPrompts::LogOn(QWidget*, const LogonRequest& request) {
    mAsked.push_back({Kind::LogOn, request.message, QStringLiteral("Log on to ") + request.server,
                      Icon::None, false, request.user});
    logonRequests.push_back(request);
    if (onLogOn) onLogOn();
    if (logonAnswers.empty()) {
        ++mUnanswered;
        return std::nullopt;
    }
    std::optional<LogonAnswer> answer = logonAnswers.front();
    logonAnswers.pop_front();
    return answer;
}

}  // namespace common
