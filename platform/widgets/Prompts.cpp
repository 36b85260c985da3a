#include "platform/widgets/Prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QWidget>

namespace quarry::platform {

namespace {

thread_local Prompts* installedPrompts = nullptr;

// One key stroke of a SendKeys string.
struct Stroke
{
    int key = 0;
    QString text;
    Qt::KeyboardModifiers modifiers;
};

int namedKey(const QString& name)
{
    static const QHash<QString, int> keys = {
        {QStringLiteral("HOME"), Qt::Key_Home},
        {QStringLiteral("END"), Qt::Key_End},
        {QStringLiteral("LEFT"), Qt::Key_Left},
        {QStringLiteral("RIGHT"), Qt::Key_Right},
        {QStringLiteral("UP"), Qt::Key_Up},
        {QStringLiteral("DOWN"), Qt::Key_Down},
        {QStringLiteral("TAB"), Qt::Key_Tab},
        {QStringLiteral("ENTER"), Qt::Key_Return},
        {QStringLiteral("ESC"), Qt::Key_Escape},
        {QStringLiteral("BS"), Qt::Key_Backspace},
        {QStringLiteral("BACKSPACE"), Qt::Key_Backspace},
        {QStringLiteral("DEL"), Qt::Key_Delete},
        {QStringLiteral("DELETE"), Qt::Key_Delete},
        {QStringLiteral("PGUP"), Qt::Key_PageUp},
        {QStringLiteral("PGDN"), Qt::Key_PageDown},
    };
    return keys.value(name.toUpper(), 0);
}

// The SendKeys notation: "+" shift, "^" control, "%" alt for the next stroke;
// "{Name}" a named key, "{+}" and the like a literal; "~" Enter.
std::vector<Stroke> parseKeys(const QString& keys)
{
    std::vector<Stroke> strokes;
    Qt::KeyboardModifiers pending;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QChar c = keys.at(i);
        if (c == u'+' || c == u'^' || c == u'%') {
            pending |= c == u'+' ? Qt::ShiftModifier : c == u'^' ? Qt::ControlModifier : Qt::AltModifier;
            continue;
        }
        Stroke stroke;
        stroke.modifiers = pending;
        pending = {};
        if (c == u'~') {
            stroke.key = Qt::Key_Return;
        } else if (c == u'{') {
            // "{}}" names the closing brace itself.
            const qsizetype close = keys.indexOf(u'}', i + 2);
            if (close < 0)
                break;
            const QString name = keys.mid(i + 1, close - i - 1);
            i = close;
            if (name.size() == 1) {
                stroke.key = name.at(0).toUpper().unicode();
                stroke.text = name;
            } else {
                stroke.key = namedKey(name);
                if (stroke.key == 0)
                    continue;
            }
        } else {
            stroke.key = c.toUpper().unicode();
            stroke.text = c;
        }
        strokes.push_back(stroke);
    }
    return strokes;
}

} // namespace

Prompts::~Prompts() = default;

Prompts& Prompts::current()
{
    thread_local WidgetPrompts realPrompts;
    return installedPrompts ? *installedPrompts : realPrompts;
}

void Prompts::install(Prompts* prompts)
{
    installedPrompts = prompts;
}

MsgResult WidgetPrompts::MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title)
{
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    if (buttons == MsgButtons::OKCancel)
        standard = QMessageBox::Ok | QMessageBox::Cancel;
    else if (buttons == MsgButtons::YesNo)
        standard = QMessageBox::Yes | QMessageBox::No;
    else if (buttons == MsgButtons::YesNoCancel)
        standard = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case MsgIcon::Critical:
        boxIcon = QMessageBox::Critical;
        break;
    case MsgIcon::Question:
        boxIcon = QMessageBox::Question;
        break;
    case MsgIcon::Information:
        boxIcon = QMessageBox::Information;
        break;
    case MsgIcon::None:
        break;
    }
    QMessageBox box(boxIcon, title, text, standard, QApplication::activeWindow());
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgResult::OK;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return MsgResult::Cancel;
    }
}

QString WidgetPrompts::InputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt, QLineEdit::Normal,
                                               defaultText, &ok);
    return ok ? text : QString();
}

QString WidgetPrompts::SaveFileName(const QString& title, const QString& suggested, const QString& filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, suggested, filter);
}

void WidgetPrompts::DoEvents()
{
    QCoreApplication::processEvents();
}

void WidgetPrompts::SendKeys(const QString& keys)
{
    for (const Stroke& stroke : parseKeys(keys)) {
        // Looked up per stroke: a Tab moves the focus.
        QWidget* target = QApplication::focusWidget();
        if (!target)
            return;
        QKeyEvent press(QEvent::KeyPress, stroke.key, stroke.modifiers, stroke.text);
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, stroke.key, stroke.modifiers, stroke.text);
        QCoreApplication::sendEvent(target, &release);
    }
}

} // namespace quarry::platform
