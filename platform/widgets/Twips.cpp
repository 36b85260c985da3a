#include "platform/widgets/Twips.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QWidget>

#include <cmath>
#include <stdexcept>

namespace quarry::platform {

int TwipsToPixels(double twips, int dpi)
{
    return int(std::lround(twips * dpi / TwipsPerInch));
}

double PixelsToTwips(double pixels, int dpi)
{
    return dpi > 0 ? pixels * TwipsPerInch / dpi : 0.0;
}

int TwipsToPixelsX(const QPaintDevice* device, double twips)
{
    return TwipsToPixels(twips, device->logicalDpiX());
}

int TwipsToPixelsY(const QPaintDevice* device, double twips)
{
    return TwipsToPixels(twips, device->logicalDpiY());
}

double PixelsToTwipsX(const QPaintDevice* device, double pixels)
{
    return PixelsToTwips(pixels, device->logicalDpiX());
}

double PixelsToTwipsY(const QPaintDevice* device, double pixels)
{
    return PixelsToTwips(pixels, device->logicalDpiY());
}

QRectF GeometryTwips(const QWidget* widget, const QWidget* ancestor)
{
    const QPoint origin = ancestor ? widget->mapTo(ancestor, QPoint(0, 0)) : widget->pos();
    return {PixelsToTwipsX(widget, origin.x()), PixelsToTwipsY(widget, origin.y()),
            PixelsToTwipsX(widget, widget->width()), PixelsToTwipsY(widget, widget->height())};
}

void SetGeometryTwips(QWidget* widget, const QRectF& twips)
{
    if (twips.width() < 0 || twips.height() < 0)
        throw std::out_of_range("Invalid property value");
    widget->setGeometry(TwipsToPixelsX(widget, twips.left()), TwipsToPixelsY(widget, twips.top()),
                        TwipsToPixelsX(widget, twips.width()), TwipsToPixelsY(widget, twips.height()));
}

void MoveTwipsShortOf(QWidget* widget, QPointF twips, QPointF limit)
{
    const double width = PixelsToTwipsX(widget, widget->width());
    const double height = PixelsToTwipsY(widget, widget->height());
    int x = TwipsToPixelsX(widget, twips.x());
    if (PixelsToTwipsX(widget, x) + width >= limit.x())
        --x;
    int y = TwipsToPixelsY(widget, twips.y());
    if (PixelsToTwipsY(widget, y) + height >= limit.y())
        --y;
    widget->move(x, y);
}

QPoint GlobalPosition(const QWidget* widget, QPointF twips)
{
    return widget->mapToGlobal(QPoint(TwipsToPixelsX(widget, twips.x()), TwipsToPixelsY(widget, twips.y())));
}

double TextWidth(const QWidget* widget, const QString& text)
{
    return TextMeter(widget).width(text);
}

double TextHeight(const QWidget* widget, const QString& text)
{
    const QFontMetricsF metrics(widget->font(), const_cast<QWidget*>(widget));
    return PixelsToTwipsY(widget, metrics.height() * (text.count(u'\n') + 1));
}

TextMeter::TextMeter(const QWidget* widget)
    : m_widget(widget)
    , m_metrics(widget->font(), const_cast<QWidget*>(widget))
{}

double TextMeter::width(const QString& text) const
{
    // The widest line, as a text box would need it.
    qreal widest = 0;
    if (!text.contains(u'\n'))
        widest = m_metrics.horizontalAdvance(text);
    else
        for (const QString& line : text.split(u'\n'))
            widest = std::max(widest, m_metrics.horizontalAdvance(line));
    return PixelsToTwipsX(m_widget, widest);
}

} // namespace quarry::platform
