#include "platform/LocaleText.h"

#include <QRegularExpression>

namespace quarry::platform {

namespace {

// The first character of a format that is neither a field letter nor a quote.
QString separatorIn(const QString& format, const QString& fieldLetters, const QString& fallback)
{
    for (QChar c : format) {
        if (!fieldLetters.contains(c) && c != u'\'' && !c.isSpace())
            return QString(c);
    }
    return fallback;
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

QString GeneralDate(const QDateTime& value, const QLocale& locale)
{
    QString text = locale.toString(value.date(), QLocale::ShortFormat);
    if (value.time() != QTime(0, 0)) {
        // The long time format ends in the time zone, which a stored date does not have.
        static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
        const QString format = locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
        text += u' ' + locale.toString(value.time(), format);
    }
    return text;
}

QString FixedPatternDate(const QDateTime& value, const QLocale& locale)
{
    const QString date =
        separatorIn(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("dMy"), QStringLiteral("/"));
    const QString time =
        separatorIn(locale.timeFormat(QLocale::ShortFormat), QStringLiteral("hHmsaAp"), QStringLiteral(":"));
    const QDate d = value.date();
    const QTime t = value.time();
    return twoDigits(d.year()) + date + twoDigits(d.day()) + date + twoDigits(d.month()) + u' ' +
           twoDigits(t.hour()) + time + twoDigits(t.minute()) + time + twoDigits(t.second());
}

QString GroupedCount(qint64 count, const QLocale& locale)
{
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(count);
}

} // namespace quarry::platform
