#include "platform/widgets/ImageList.h"

namespace quarry::platform {

ImageList::ImageList(QSize imageSize, QObject* parent)
    : QObject(parent)
    , m_size(imageSize)
{}

int ImageList::add(const QIcon& icon)
{
    m_icons.append(icon);
    return count();
}

QIcon ImageList::icon(int index) const
{
    return index >= 1 && index <= count() ? m_icons.at(index - 1) : QIcon();
}

} // namespace quarry::platform
