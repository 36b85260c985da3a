// Pictures for the object list's four view-mode buttons, drawn rather than
// borrowed from the style, whose file-dialog icons made two modes look alike.
#pragma once

#include <QIcon>
#include <QPalette>

namespace quarry::platform {

// Mode 0 large icons, 1 small icons, 2 list, 3 details; in the palette's text colour.
QIcon viewModeIcon(int mode, const QPalette& palette);

} // namespace quarry::platform
