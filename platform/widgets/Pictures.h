// Pictures from SVG resources, crisp at any scale factor.
#pragma once

#include <quarry/quarry_export.h>

#include <QIcon>
#include <QStyle>

class QWidget;

namespace quarry::platform {

// The SVG at `resource`; where Qt's SVG support is missing (a deployment that
// left the plugin out) the style's own `fallback` stands in, not a blank.
QUARRY_EXPORT QIcon svgPicture(const QString& resource, QStyle::StandardPixmap fallback,
                               const QWidget* widget);

} // namespace quarry::platform
