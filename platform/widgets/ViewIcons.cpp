#include "platform/widgets/ViewIcons.h"

#include <QPainter>
#include <QPixmap>

namespace quarry::platform {

namespace {

// One picture on a 16-unit grid, scaled to `size` pixels.
QPixmap draw(int mode, int size, const QColor& ink)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const auto box = [&](double x, double y, double w, double h) { p.drawRect(QRectF(x, y, w, h)); };
    switch (mode) {
    case 0: // four big pictures
        for (int i = 0; i < 4; ++i)
            p.drawRoundedRect(QRectF(1.5 + (i % 2) * 7, 1.5 + (i / 2) * 7, 6, 6), 1, 1);
        break;
    case 1: // nine small pictures in rows
        for (int i = 0; i < 9; ++i)
            box(1.5 + (i % 3) * 5, 1.5 + (i / 3) * 5, 3, 3);
        break;
    case 2: // a picture and a name on each line
        for (int i = 0; i < 4; ++i) {
            box(1.5, 1.5 + i * 3.5, 2.5, 2.5);
            box(5.5, 2.25 + i * 3.5, 9, 1);
        }
        break;
    default: // a header over rows of columns
        box(1, 1.5, 14, 2.5);
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                box(1 + column * 5, 6 + row * 3.3, 4, 1.2);
        break;
    }
    return pixmap;
}

} // namespace

QIcon viewModeIcon(int mode, const QPalette& palette)
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        icon.addPixmap(draw(mode, size, palette.color(QPalette::Active, QPalette::WindowText)),
                       QIcon::Normal);
        icon.addPixmap(draw(mode, size, palette.color(QPalette::Disabled, QPalette::WindowText)),
                       QIcon::Disabled);
    }
    return icon;
}

} // namespace quarry::platform
