// Prompts for tests: every call is recorded, answers come from a script, and
// nothing ever waits for a user. Installs itself for the thread while alive.
#pragma once

#include "platform/widgets/Prompts.h"

#include <QString>

#include <deque>
#include <vector>

namespace quarry::test {

class ScriptedPrompts : public quarry::platform::Prompts
{
public:
    enum class Kind
    {
        MsgBox,
        InputBox,
        SaveFile,
        DoEvents,
        SendKeys
    };

    struct Call
    {
        Kind kind;
        QString text; // message, prompt or keys
        QString title;
        QString defaultText;
        quarry::platform::MsgButtons buttons = quarry::platform::MsgButtons::OK;
        quarry::platform::MsgIcon icon = quarry::platform::MsgIcon::None;
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    quarry::platform::MsgResult MsgBox(const QString& text, quarry::platform::MsgButtons buttons,
                                       quarry::platform::MsgIcon icon, const QString& title) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString SaveFileName(const QString& title, const QString& suggested, const QString& filter) override;
    void DoEvents() override;
    void SendKeys(const QString& keys) override;

    // Calls of one kind, oldest first. DoEvents is recorded and still runs the
    // pending events once, as the real one does.
    std::vector<Call> callsOf(Kind kind) const;

    // Answers, consumed front first. An unscripted message box answers
    // Cancel (OK when that is its only button, No on a Yes/No box); an
    // unscripted input box "". A save dialog takes its answer from inputAnswers too.
    std::deque<quarry::platform::MsgResult> msgAnswers;
    std::deque<QString> inputAnswers;
    std::vector<Call> calls;

private:
    quarry::platform::Prompts* m_previous;
};

} // namespace quarry::test
