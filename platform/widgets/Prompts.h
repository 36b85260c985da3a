// Modal prompts behind one interface, so that tests script the answers and
// never block on a box.
#pragma once

#include <quarry/quarry_export.h>

#include <QString>

class QWidget;

namespace quarry::platform {

enum class MsgButtons
{
    OK,
    OKCancel,
    YesNo,
    YesNoCancel
};
enum class MsgIcon
{
    None,
    Critical,
    Question,
    Information
};
enum class MsgResult
{
    OK,
    Cancel,
    Yes,
    No
};

class QUARRY_EXPORT Prompts
{
public:
    virtual ~Prompts();

    virtual MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) = 0;
    // The text typed, or "" when cancelled (as an input box answers).
    virtual QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // A file to write, chosen in a save dialog that starts at `suggested`; "" when cancelled.
    virtual QString SaveFileName(const QString& title, const QString& suggested, const QString& filter) = 0;
    // Lets pending user-interface events run once.
    virtual void DoEvents() = 0;
    // Key strokes to the focused widget; "{Home}+{End}" selects a line edit's text.
    virtual void SendKeys(const QString& keys) = 0;

    // The prompts in force for this thread: real boxes unless a test installed others.
    static Prompts& current();
    // Installs `prompts` for this thread (not owned); nullptr restores the real boxes.
    static void install(Prompts* prompts);
};

// Real Qt message and input boxes.
class QUARRY_EXPORT WidgetPrompts : public Prompts
{
public:
    MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) override;
    QString InputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString SaveFileName(const QString& title, const QString& suggested, const QString& filter) override;
    void DoEvents() override;
    void SendKeys(const QString& keys) override;
};

} // namespace quarry::platform
