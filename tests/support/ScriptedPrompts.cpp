#include "ScriptedPrompts.h"

#include <QCoreApplication>

namespace quarry::test {

using quarry::platform::MsgButtons;
using quarry::platform::MsgIcon;
using quarry::platform::MsgResult;
using quarry::platform::Prompts;

ScriptedPrompts::ScriptedPrompts()
    : m_previous(&Prompts::current())
{
    Prompts::install(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    // The real prompts are never "installed"; restoring them means none.
    Prompts::install(dynamic_cast<quarry::platform::WidgetPrompts*>(m_previous) ? nullptr : m_previous);
}

MsgResult ScriptedPrompts::MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title)
{
    calls.push_back({Kind::MsgBox, text, title, {}, buttons, icon});
    if (msgAnswers.empty())
        return buttons == MsgButtons::YesNo ? MsgResult::No
               : buttons == MsgButtons::OK  ? MsgResult::OK
                                            : MsgResult::Cancel;
    const MsgResult answer = msgAnswers.front();
    msgAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::InputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    calls.push_back({Kind::InputBox, prompt, title, defaultText});
    if (inputAnswers.empty())
        return {};
    QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

QString ScriptedPrompts::SaveFileName(const QString& title, const QString& suggested, const QString&)
{
    calls.push_back({Kind::SaveFile, {}, title, suggested});
    if (inputAnswers.empty())
        return {};
    QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

void ScriptedPrompts::DoEvents()
{
    calls.push_back({Kind::DoEvents, {}, {}, {}});
    QCoreApplication::processEvents();
}

void ScriptedPrompts::SendKeys(const QString& keys)
{
    calls.push_back({Kind::SendKeys, keys, {}, {}});
}

std::vector<ScriptedPrompts::Call> ScriptedPrompts::callsOf(Kind kind) const
{
    std::vector<Call> result;
    for (const Call& call : calls)
        if (call.kind == kind)
            result.push_back(call);
    return result;
}

} // namespace quarry::test
