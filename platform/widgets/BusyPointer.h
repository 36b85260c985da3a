// The hourglass while a procedure works, and the previous pointer back on
// every way out of it, exceptions included.
#pragma once

#include <quarry/quarry_export.h>

#include <QCursor>
#include <QPointer>
#include <QWidget>

namespace quarry::platform {

class QUARRY_EXPORT BusyPointer
{
public:
    // The screen pointer, and `widget`'s own when one is given.
    explicit BusyPointer(QWidget* widget = nullptr);
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    QPointer<QWidget> m_widget;
    bool m_widgetHadCursor = false;
    QCursor m_widgetCursor;
};

// The normal pointer over a dialog that waits for the user while its caller
// still shows the hourglass; the caller's pointer returns with restore() or
// on destruction. Showing twice overrides once.
class QUARRY_EXPORT DefaultPointer
{
public:
    DefaultPointer() = default;
    ~DefaultPointer() { restore(); }
    DefaultPointer(const DefaultPointer&) = delete;
    DefaultPointer& operator=(const DefaultPointer&) = delete;

    // Only when some busy pointer is in force.
    void show();
    void restore();

private:
    bool m_active = false;
};

} // namespace quarry::platform
