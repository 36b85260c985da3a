// The tree view with the pointer events the browser reacts to, positions in twips.
#pragma once

#include <quarry/quarry_export.h>

#include <QPointF>
#include <QTreeView>

namespace quarry::platform {

class QUARRY_EXPORT TreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit TreeView(QWidget* parent = nullptr);

    // The node under a point given in twips of the view, or an invalid index.
    QModelIndex nodeAt(QPointF twips) const;

signals:
    // A node clicked with the mouse, chosen with Enter, or made current from
    // the keyboard or by a right-click.
    void nodeClick(const QModelIndex& node);
    void pointerMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF twips);
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF twips);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace quarry::platform
