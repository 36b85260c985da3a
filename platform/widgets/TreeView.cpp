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
    QTreeView::keyPressEvent(event);
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
