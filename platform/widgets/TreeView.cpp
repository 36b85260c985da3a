#include "platform/widgets/TreeView.h"

#include "platform/widgets/Twips.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace quarry::platform {

TreeView::TreeView(QWidget* parent)
    : QTreeView(parent)
{
    setHeaderHidden(true);
    setMouseTracking(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    connect(this, &QTreeView::clicked, this, &TreeView::nodeClick);
}

QModelIndex TreeView::nodeAt(QPointF twips) const
{
    const QPoint pixels(TwipsToPixelsX(this, twips.x()), TwipsToPixelsY(this, twips.y()));
    return indexAt(pixels);
}

void TreeView::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && currentIndex().isValid()) {
        emit nodeClick(currentIndex());
        return;
    }
    // Arrows, Home, End and typed letters select as a click does.
    const QPersistentModelIndex before = currentIndex();
    QTreeView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex() != before)
        emit nodeClick(currentIndex());
}

void TreeView::mousePressEvent(QMouseEvent* event)
{
    // A left click reports itself on release; any other button that moves
    // the selection does so now, so the list never belongs to another node.
    const QPersistentModelIndex before = currentIndex();
    QTreeView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton && currentIndex().isValid() && currentIndex() != before)
        emit nodeClick(currentIndex());
}

void TreeView::mouseMoveEvent(QMouseEvent* event)
{
    QTreeView::mouseMoveEvent(event);
    const QPointF pos = event->position();
    emit pointerMoved(event->buttons(), event->modifiers(),
                      {PixelsToTwipsX(this, pos.x()), PixelsToTwipsY(this, pos.y())});
}

void TreeView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    const QPointF pos = event->position();
    emit mouseReleased(event->button(), event->modifiers(),
                       {PixelsToTwipsX(this, pos.x()), PixelsToTwipsY(this, pos.y())});
}

} // namespace quarry::platform
