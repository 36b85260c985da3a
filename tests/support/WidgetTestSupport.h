// Helpers for tests that drive forms and views: named children, item texts,
// and modal dialogs answered from the event loop without ever blocking a run.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace quarry::test {

// The child named `name`; a form that lost it ends the run at once.
template <typename T> T* child(const QObject& parent, const char* name)
{
    auto* found = parent.findChild<T*>(QLatin1StringView(name));
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

inline QStringList itemTexts(const QComboBox& combo)
{
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts << combo.itemText(i);
    return texts;
}

// Calls `answer` with the modal widget once a modal loop runs; any modal
// dialog still open five seconds later is closed, so a run can never hang.
inline void whenModal(QObject* context, std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, context, [answer] { answer(QApplication::activeModalWidget()); });
    QTimer::singleShot(5000, context, [] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            modal->done(-1);
    });
}

} // namespace quarry::test
