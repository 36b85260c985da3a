#include "settings/TextConvert.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace Glob {

namespace {

// Settings text never depends on the user's locale: "2,5" is not a number.
std::optional<double> parseNumber(const QString& text)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double roundHalfToEven(double value)
{
    const double nearest = std::round(value); // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5)
        return 2.0 * std::round(value / 2.0);
    return nearest;
}

} // namespace

QString BoolToText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString IntToText(int value)
{
    return QString::number(value);
}

std::optional<bool> TextToBool(const QString& text)
{
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = parseNumber(word))
        return *number != 0.0;
    return std::nullopt;
}

std::optional<int> TextToInt(const QString& text)
{
    const auto number = parseNumber(text);
    if (!number)
        return std::nullopt;
    const double rounded = roundHalfToEven(*number);
    if (rounded < double(std::numeric_limits<int>::min()) ||
        rounded > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return int(rounded);
}

} // namespace Glob
