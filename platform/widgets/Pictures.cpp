#include "platform/widgets/Pictures.h"

#include <QCoreApplication>
#include <QHash>
#include <QImageReader>
#include <QWidget>

namespace quarry::platform {

namespace {

// Each SVG is parsed once a process: every control, and every image list in
// it, shares the parsed picture. Emptied as the application ends, while the
// SVG plugin that drew them is still loaded.
QHash<QString, QIcon>& parsedPictures()
{
    static QHash<QString, QIcon> pictures;
    static const bool clearedAtExit = [] {
        qAddPostRoutine([] { parsedPictures().clear(); });
        return true;
    }();
    Q_UNUSED(clearedAtExit);
    return pictures;
}

} // namespace

QIcon svgPicture(const QString& resource, QStyle::StandardPixmap fallback, const QWidget* widget)
{
    static const bool svg = QImageReader::supportedImageFormats().contains("svg");
    if (!svg)
        return widget->style()->standardIcon(fallback, nullptr, widget);
    QHash<QString, QIcon>& pictures = parsedPictures();
    auto found = pictures.constFind(resource);
    if (found == pictures.cend())
        found = pictures.insert(resource, QIcon(resource));
    return *found;
}

} // namespace quarry::platform
