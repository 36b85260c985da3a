// How the object list draws its items: large pictures in the large-icon view,
// cell lines in the details view, and every item sized for the widest name.
#pragma once

#include <quarry/quarry_export.h>

#include <QFont>
#include <QRect>
#include <QStyledItemDelegate>

namespace quarry::platform {

class QUARRY_EXPORT ListDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool large = false;
    bool gridLines = false;
    // Items of one line drawn where the style draws them, with the style's
    // layout found once for all items of a size rather than four times an item.
    bool quick = false;
    // Pixels of the widest item text; the icon views size every item for it.
    int widestText = 0;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    // False, having drawn nothing, where the item needs the style's own way.
    bool paintQuickly(QPainter* painter, const QStyleOptionViewItem& option) const;

    // Where the style puts the picture and the text in an item of this size,
    // picture size, features and font, relative to the item.
    struct Layout
    {
        QSize item;
        QSize decoration;
        QStyleOptionViewItem::ViewItemFeatures features;
        QFont font;
        QRect icon;
        QRect display;
        int textMargin = 0;
    };
    mutable Layout m_layout;
};

} // namespace quarry::platform
