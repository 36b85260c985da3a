#include "platform/widgets/Pictures.h"

#include <QImageReader>
#include <QWidget>

namespace quarry::platform {

QIcon svgPicture(const QString& resource, QStyle::StandardPixmap fallback, const QWidget* widget)
{
    static const bool svg = QImageReader::supportedImageFormats().contains("svg");
    return svg ? QIcon(resource) : widget->style()->standardIcon(fallback, nullptr, widget);
}

} // namespace quarry::platform
