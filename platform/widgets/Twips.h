// Lengths cross into the rest of the system in twips, 1440 to the logical inch;
// only this boundary knows about pixels.
#pragma once

#include <quarry/quarry_export.h>

#include <QFontMetricsF>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPaintDevice;
class QWidget;

namespace quarry::platform {

inline constexpr double TwipsPerInch = 1440.0;

// At `dpi` dots per logical inch; pixels are rounded to the nearest whole one.
QUARRY_EXPORT int TwipsToPixels(double twips, int dpi);
QUARRY_EXPORT double PixelsToTwips(double pixels, int dpi);

// At the device's logical DPI, horizontally (X) or vertically (Y).
QUARRY_EXPORT int TwipsToPixelsX(const QPaintDevice* device, double twips);
QUARRY_EXPORT int TwipsToPixelsY(const QPaintDevice* device, double twips);
QUARRY_EXPORT double PixelsToTwipsX(const QPaintDevice* device, double pixels);
QUARRY_EXPORT double PixelsToTwipsY(const QPaintDevice* device, double pixels);

// `widget`'s rectangle in the coordinates of `ancestor` (its parent's when
// none is given), in twips.
QUARRY_EXPORT QRectF GeometryTwips(const QWidget* widget, const QWidget* ancestor = nullptr);
// Places `widget` at `twips` of its parent. Throws std::out_of_range for a
// negative width or height, which a control refuses as a size.
QUARRY_EXPORT void SetGeometryTwips(QWidget* widget, const QRectF& twips);
// Moves `widget`'s top-left corner to `twips` of its parent, on whole pixels,
// one pixel further back where rounding would put its far edge on or past `limit`.
QUARRY_EXPORT void MoveTwipsShortOf(QWidget* widget, QPointF twips, QPointF limit);
// A point given in twips of `widget`, on the screen, where popups open.
QUARRY_EXPORT QPoint GlobalPosition(const QWidget* widget, QPointF twips);

// Extent of `text` in the widget's font, in twips.
QUARRY_EXPORT double TextWidth(const QWidget* widget, const QString& text);
QUARRY_EXPORT double TextHeight(const QWidget* widget, const QString& text);

// Measures many texts in one widget's font without setting up the metrics
// for each; widths in twips, the widest line of a text counting.
class QUARRY_EXPORT TextMeter
{
public:
    explicit TextMeter(const QWidget* widget);
    double width(const QString& text) const;

private:
    const QWidget* m_widget;
    QFontMetricsF m_metrics;
};

} // namespace quarry::platform
