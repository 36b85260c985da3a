// A numbered set of pictures that trees, lists and headers refer to by index.
#pragma once

#include <quarry/quarry_export.h>

#include <QIcon>
#include <QList>
#include <QObject>
#include <QSize>

namespace quarry::platform {

class QUARRY_EXPORT ImageList : public QObject
{
    Q_OBJECT
public:
    ImageList(QSize imageSize, QObject* parent = nullptr);

    QSize imageSize() const { return m_size; }
    // Appends a picture; its index is the new count.
    int add(const QIcon& icon);
    int count() const { return int(m_icons.size()); }
    // Indices count from 1; 0 and anything out of range give no picture.
    QIcon icon(int index) const;

private:
    QSize m_size;
    QList<QIcon> m_icons;
};

} // namespace quarry::platform
