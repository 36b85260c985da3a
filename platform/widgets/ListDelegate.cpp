#include "platform/widgets/ListDelegate.h"

#include "platform/widgets/ObjectListModel.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace quarry::platform {

// With uniform item sizes the view asks for one item's size only (its last
// item's) and cuts every longer text to it; the widest text decides instead.
QSize ListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    constexpr int kWidestItem = 400; // one absurdly long name must not make the list a single column
    if (large) {
        // The name stands under its picture: the item is as wide as the widest name.
        constexpr int kTextMargins = 8;
        size.setWidth(std::min(std::max(size.width(), widestText + kTextMargins), kWidestItem));
        return size;
    }
    const int own = option.fontMetrics.horizontalAdvance(index.data().toString());
    size.setWidth(std::min(std::max(size.width(), size.width() - own + widestText), kWidestItem));
    return size;
}

void ListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    if (quick && !large && !gridLines) {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        if (paintQuickly(painter, item))
            return;
    }
    QStyledItemDelegate::paint(painter, option, index);
    if (!gridLines)
        return;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
}

bool ListDelegate::paintQuickly(QPainter* painter, const QStyleOptionViewItem& option) const
{
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    // The focus frame, check boxes, pictures above or right of the text, and
    // style sheets, which draw items their own way, are left to the style.
    constexpr auto kPlain = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    if ((option.state & QStyle::State_HasFocus) ||
        (option.features & ~(kPlain | QStyleOptionViewItem::WrapText)) ||
        option.decorationPosition != QStyleOptionViewItem::Left || option.direction != Qt::LeftToRight ||
        style->inherits("QStyleSheetStyle"))
        return false;

    if (m_layout.item != option.rect.size() || m_layout.decoration != option.decorationSize ||
        m_layout.features != option.features || m_layout.font != option.font) {
        QStyleOptionViewItem spread = option;
        spread.rect.moveTo(0, 0);
        // Shown selected with its picture, the text's rectangle is all the room beside the picture.
        spread.showDecorationSelected = true;
        m_layout = {option.rect.size(),
                    option.decorationSize,
                    option.features,
                    option.font,
                    style->subElementRect(QStyle::SE_ItemViewItemDecoration, &spread, widget),
                    style->subElementRect(QStyle::SE_ItemViewItemText, &spread, widget),
                    style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1};
    }
    const QPoint at = option.rect.topLeft();
    const QRect textRect =
        m_layout.display.translated(at).adjusted(m_layout.textMargin, 0, -m_layout.textMargin, 0);

    // Laid out once, as the style lays it out; a text that does not fit one line is elided there.
    QTextOption textOption;
    textOption.setWrapMode((option.features & QStyleOptionViewItem::WrapText) ? QTextOption::WordWrap
                                                                              : QTextOption::ManualWrap);
    textOption.setTextDirection(option.direction);
    textOption.setAlignment(QStyle::visualAlignment(option.direction, option.displayAlignment));
    QTextLayout text(option.text, option.font);
    text.setTextOption(textOption);
    text.beginLayout();
    QTextLine line = text.createLine();
    if (line.isValid())
        line.setLineWidth(textRect.width());
    text.endLayout();
    if (!option.text.isEmpty() && (!line.isValid() || line.textLength() < option.text.size() ||
                                   line.naturalTextWidth() > textRect.width()))
        return false;

    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, widget);
    const bool enabled = option.state & QStyle::State_Enabled;
    const bool selected = option.state & QStyle::State_Selected;
    const QIcon::Mode mode = !enabled ? QIcon::Disabled : selected ? QIcon::Selected : QIcon::Normal;
    const QIcon::State state = (option.state & QStyle::State_Open) ? QIcon::On : QIcon::Off;
    option.icon.paint(painter, m_layout.icon.translated(at), option.decorationAlignment, mode, state);

    QPalette::ColorGroup group = enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(option.state & QStyle::State_Active))
        group = QPalette::Inactive;
    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const int height = line.isValid() ? int(std::ceil(line.height())) : 0;
    const QRect placed = QStyle::alignedRect(option.direction, option.displayAlignment,
                                             QSize(textRect.width(), height), textRect);
    text.draw(painter, placed.topLeft());
    return true;
}

void ListDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (large && index.column() == 0) {
        option->icon = index.data(ObjectListModel::LargeIconRole).value<QIcon>();
        option->features |= QStyleOptionViewItem::HasDecoration;
        // Drawn as the icon mode draws an item, laid out as the list mode lays it out.
        option->decorationPosition = QStyleOptionViewItem::Top;
        option->displayAlignment = Qt::AlignCenter;
        option->showDecorationSelected = false;
    }
}

} // namespace quarry::platform
