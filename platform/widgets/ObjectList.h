// The object list: one model and one selection shown four ways — large
// icons, small icons, list and details — with widths and positions in twips.
#pragma once

#include <quarry/quarry_export.h>

#include "platform/widgets/ObjectListModel.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QWidget>

class QItemSelectionModel;
class QListView;
class QStackedLayout;
class QTreeView;
class QAbstractItemView;

namespace quarry::platform {

class ListDelegate;

class QUARRY_EXPORT ObjectList : public QWidget
{
    Q_OBJECT
public:
    enum View
    {
        LargeIcons = 0,
        SmallIcons = 1,
        List = 2,
        Details = 3
    };

    explicit ObjectList(QWidget* parent = nullptr);

    ObjectListModel* model() const { return m_model; }
    QItemSelectionModel* selectionModel() const { return m_selection; }
    QListView* iconView() const { return m_iconView; }
    QTreeView* detailsView() const { return m_detailsView; }
    QAbstractItemView* currentView() const;

    void setImageLists(ImageList* small, ImageList* large, ImageList* headerIcons);

    int view() const { return m_view; }
    // Throws std::out_of_range for a mode other than 0 to 3.
    void setView(int mode);
    bool gridLines() const { return m_gridLines; }
    void setGridLines(bool on);

    int count() const { return m_model->count(); }
    void clear();
    // The item the user sees selected, in every view mode; -1 when none is.
    int selectedRow() const;
    void selectRow(int row);
    // The item's rectangle in the current view, in twips of this widget.
    QRectF itemRect(int row) const;

    // Columns from 0; widths in twips.
    void addColumn(const QString& text, double widthTwips);
    int columnCount() const { return m_model->columns(); }
    double columnWidth(int column) const;
    void setColumnWidth(int column, double twips);

signals:
    // A click on an item, or the selection moved to it from the keyboard.
    void itemClick(int row);
    void itemDoubleClick(int row);
    void columnClick(int column);
    // Only for a key whose press the list received itself.
    void keyUp(int key, Qt::KeyboardModifiers modifiers);
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF twips);
    void pointerMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF twips);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF twips);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The details view takes this list's style, with narrower item margins.
    void narrowDetailsStyle();
    void applyColumnWidths(int first, int last);
    void measureTexts(int first, int last);
    void headerResized(int section, int oldSize, int newSize);

    ObjectListModel* m_model;
    QItemSelectionModel* m_selection;
    QStackedLayout* m_stack;
    QListView* m_iconView;
    QTreeView* m_detailsView;
    ListDelegate* m_iconDelegate;
    ListDelegate* m_detailsDelegate;
    QStyle* m_detailsStyle = nullptr;
    int m_view = SmallIcons;
    bool m_gridLines = false;
    bool m_applyingWidths = false;
    // Keys pressed while the list had the focus and not yet released.
    QList<int> m_pressedKeys;
};

} // namespace quarry::platform
