#include "platform/widgets/BusyPointer.h"

#include <QGuiApplication>

namespace quarry::platform {

BusyPointer::BusyPointer(QWidget* widget)
    : m_widget(widget)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (m_widget) {
        m_widgetHadCursor = m_widget->testAttribute(Qt::WA_SetCursor);
        m_widgetCursor = m_widget->cursor();
        m_widget->setCursor(Qt::WaitCursor);
    }
}

BusyPointer::~BusyPointer()
{
    QGuiApplication::restoreOverrideCursor();
    if (!m_widget)
        return;
    if (m_widgetHadCursor)
        m_widget->setCursor(m_widgetCursor);
    else
        m_widget->unsetCursor();
}

void DefaultPointer::show()
{
    if (m_active || !QGuiApplication::overrideCursor())
        return;
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    m_active = true;
}

void DefaultPointer::restore()
{
    if (!m_active)
        return;
    QGuiApplication::restoreOverrideCursor();
    m_active = false;
}

} // namespace quarry::platform
