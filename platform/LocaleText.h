// Dates and counts as the user's locale writes them.
#pragma once

#include <quarry/quarry_export.h>

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace quarry::platform {

// The short date, followed by the time with seconds when it is not midnight.
QUARRY_EXPORT QString GeneralDate(const QDateTime& value, const QLocale& locale = QLocale());

// "yy/dd/mm hh:mm:ss": two digits each, 24-hour clock, with the locale's own
// date and time separators standing for '/' and ':'.
QUARRY_EXPORT QString FixedPatternDate(const QDateTime& value, const QLocale& locale = QLocale());

// Digit groups with the locale's separator, whatever the locale's number options.
QUARRY_EXPORT QString GroupedCount(qint64 count, const QLocale& locale = QLocale());

} // namespace quarry::platform
