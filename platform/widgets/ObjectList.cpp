#include "platform/widgets/ObjectList.h"

#include "platform/widgets/ListDelegate.h"
#include "platform/widgets/Twips.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QStackedLayout>
#include <QStyleFactory>
#include <QTreeView>

#include <algorithm>

#include <stdexcept>
#include <utility>

namespace quarry::platform {

namespace {

// A column is as wide as its widest text and 400 twips, the room a native
// list's small picture and margins take; the style's wider item margins would
// cut the longest names short.
class CompactItems : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        return metric == PM_FocusFrameHMargin ? std::min(value, 1) : value;
    }
};

} // namespace

// A view that reports a selection the keyboard moved (arrows, Home, End,
// pages, typed first letters) as the item click it was on the old list.
template <class View> class KeyedView : public View
{
public:
    KeyedView(ObjectList* list)
        : View(list)
        , m_list(list)
    {}

protected:
    // The view the other one stands in for does not follow the current item:
    // a tree view lays out every row to find it, for nothing while out of sight.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override
    {
        if (!this->isHidden())
            View::currentChanged(current, previous);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        const int before = this->currentIndex().row();
        View::keyPressEvent(event);
        const QModelIndex now = this->currentIndex();
        if (now.isValid() && now.row() != before && this->selectionModel()->isSelected(now))
            emit m_list->itemClick(now.row());
    }

private:
    ObjectList* m_list;
};

ObjectList::ObjectList(QWidget* parent)
    : QWidget(parent)
    , m_model(new ObjectListModel(this))
    , m_selection(new QItemSelectionModel(m_model, this))
    , m_stack(new QStackedLayout(this))
    , m_iconView(new KeyedView<QListView>(this))
    , m_detailsView(new KeyedView<QTreeView>(this))
    , m_iconDelegate(new ListDelegate(this))
    , m_detailsDelegate(new ListDelegate(this))
{
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_iconView->setObjectName(QStringLiteral("lvwDataIcons"));
    m_detailsView->setObjectName(QStringLiteral("lvwDataDetails"));

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_iconView), static_cast<QAbstractItemView*>(m_detailsView)}) {
        view->setModel(m_model);
        view->setSelectionModel(m_selection);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        // Icon modes show one column; whole rows keep one notion of "selected" in every mode.
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setMouseTracking(true);
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        connect(view, &QAbstractItemView::clicked, this,
                [this](const QModelIndex& i) { emit itemClick(i.row()); });
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex& i) { emit itemDoubleClick(i.row()); });
        m_stack->addWidget(view);
    }
    m_iconDelegate->quick = true;
    m_iconView->setItemDelegate(m_iconDelegate);
    // Large icons too are laid out in list mode: the icon mode keeps a rectangle
    // and a search tree of every item (10 ms against 4 for 100,000 items).
    m_iconView->setViewMode(QListView::ListMode);
    m_iconView->setWrapping(true);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setMovement(QListView::Static);
    m_iconView->setUniformItemSizes(true);
    m_iconView->setWordWrap(true);

    m_detailsView->setItemDelegate(m_detailsDelegate);
    narrowDetailsStyle();
    m_detailsView->setRootIsDecorated(false);
    m_detailsView->setItemsExpandable(false);
    m_detailsView->setUniformRowHeights(true);
    m_detailsView->setAllColumnsShowFocus(true);
    QHeaderView* header = m_detailsView->header();
    // Set before anything sizes a section: the style's own minimum measures
    // the widest glyph of the whole font, some milliseconds at every start.
    header->setMinimumSectionSize(0);
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, &ObjectList::columnClick);
    connect(header, &QHeaderView::sectionResized, this, &ObjectList::headerResized);
    connect(m_model, &QAbstractItemModel::headerDataChanged, this,
            [this](Qt::Orientation, int first, int last) { applyColumnWidths(first, last); });
    connect(m_model, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex&, int first, int last) { applyColumnWidths(first, last); });
    connect(m_model, &QAbstractItemModel::modelReset, this,
            [this] { applyColumnWidths(0, m_model->columns() - 1); });
    // Before the views lay the items out again, which they do later.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_iconDelegate->widestText = 0;
        measureTexts(0, m_model->count() - 1);
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { measureTexts(first, last); });

    setView(SmallIcons);
}

void ObjectList::measureTexts(int first, int last)
{
    // Shaping every name of a large list costs more than reading it; the longest
    // ones decide the width.
    const QFontMetrics metrics(m_iconView->font());
    int widest = m_iconDelegate->widestText;
    for (int row : m_model->longestTexts(0, first, last))
        widest = std::max(widest, metrics.horizontalAdvance(m_model->item(row).text));
    m_iconDelegate->widestText = widest;
}

QAbstractItemView* ObjectList::currentView() const
{
    return m_view == Details ? static_cast<QAbstractItemView*>(m_detailsView) : m_iconView;
}

void ObjectList::setImageLists(ImageList* small, ImageList* large, ImageList* headerIcons)
{
    m_model->setImageLists(small, large, headerIcons);
}

void ObjectList::setView(int mode)
{
    if (mode < LargeIcons || mode > Details)
        throw std::out_of_range("Invalid property value");
    m_view = mode;
    if (mode == Details) {
        m_stack->setCurrentWidget(m_detailsView);
    } else {
        const bool large = mode == LargeIcons;
        m_iconDelegate->large = large;
        m_iconView->setFlow(mode == List ? QListView::TopToBottom : QListView::LeftToRight);
        m_iconView->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
        m_stack->setCurrentWidget(m_iconView);
        m_iconView->doItemsLayout();
    }
    if (m_selection->currentIndex().isValid())
        currentView()->scrollTo(m_selection->currentIndex());
}

void ObjectList::setGridLines(bool on)
{
    m_gridLines = on;
    m_detailsDelegate->gridLines = on;
    m_detailsView->viewport()->update();
}

void ObjectList::clear()
{
    m_model->clear();
}

int ObjectList::selectedRow() const
{
    const QModelIndex current = m_selection->currentIndex();
    if (current.isValid() && m_selection->isSelected(current))
        return current.row();
    const QModelIndexList selected = m_selection->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ObjectList::selectRow(int row)
{
    if (row < 0 || row >= count()) {
        m_selection->clear();
        return;
    }
    m_selection->setCurrentIndex(m_model->index(row, 0),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QRectF ObjectList::itemRect(int row) const
{
    QAbstractItemView* view = currentView();
    const QRect pixels = view->visualRect(m_model->index(row, 0));
    if (!pixels.isValid())
        return {};
    const QPoint topLeft = view->viewport()->mapTo(this, pixels.topLeft());
    return {PixelsToTwipsX(this, topLeft.x()), PixelsToTwipsY(this, topLeft.y()),
            PixelsToTwipsX(this, pixels.width()), PixelsToTwipsY(this, pixels.height())};
}

void ObjectList::addColumn(const QString& text, double widthTwips)
{
    m_model->addColumn(text, widthTwips);
}

double ObjectList::columnWidth(int column) const
{
    return m_model->column(column).width;
}

void ObjectList::setColumnWidth(int column, double twips)
{
    if (column < 0 || column >= columnCount() || twips < 0)
        throw std::out_of_range("Invalid property value");
    m_model->setColumnWidth(column, twips);
}

void ObjectList::narrowDetailsStyle()
{
    // A style the factory cannot make again is left as it is.
    QStyle* base = QStyleFactory::create(style()->name());
    QStyle* narrowed = base ? new CompactItems(base) : nullptr;
    if (narrowed)
        narrowed->setParent(this);
    m_detailsView->setStyle(narrowed);
    delete std::exchange(m_detailsStyle, narrowed);
}

void ObjectList::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::StyleChange)
        narrowDetailsStyle();
}

bool ObjectList::eventFilter(QObject* watched, QEvent* event)
{
    const auto toTwips = [this, watched](QPointF pos) {
        const QPointF here = static_cast<QWidget*>(watched)->mapTo(this, pos);
        return QPointF(PixelsToTwipsX(this, here.x()), PixelsToTwipsY(this, here.y()));
    };
    const bool onViewport = watched == m_iconView->viewport() || watched == m_detailsView->viewport();
    const bool keyEvent = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
                          event->type() == QEvent::FocusOut;
    if (!onViewport && !keyEvent)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        emit mouseDown(mouse->button(), mouse->modifiers(), toTwips(mouse->position()));
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        emit pointerMoved(mouse->buttons(), mouse->modifiers(), toTwips(mouse->position()));
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        emit mouseUp(mouse->button(), mouse->modifiers(), toTwips(mouse->position()));
        break;
    }
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!m_pressedKeys.contains(key->key()))
            m_pressedKeys.append(key->key());
        // The view would pass Enter on to the window, where it may press a default button.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return true;
        break;
    }
    case QEvent::KeyRelease: {
        // The Enter that closes a menu, an input box or a message box is
        // released over the list; that press was not the list's.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat() || !m_pressedKeys.removeOne(key->key()))
            break;
        emit keyUp(key->key(), key->modifiers());
        break;
    }
    case QEvent::FocusOut:
        m_pressedKeys.clear();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ObjectList::applyColumnWidths(int first, int last)
{
    m_applyingWidths = true;
    QHeaderView* header = m_detailsView->header();
    for (int c = std::max(0, first); c <= last && c < m_model->columns(); ++c) {
        const double width = m_model->column(c).width;
        // A zero-width column is the way to keep data out of sight.
        header->setSectionHidden(c, width <= 0);
        if (width > 0)
            header->resizeSection(c, TwipsToPixelsX(this, width));
    }
    m_applyingWidths = false;
}

void ObjectList::headerResized(int section, int, int newSize)
{
    if (m_applyingWidths || section >= m_model->columns())
        return;
    // The user dragged a header edge.
    const QSignalBlocker blocker(m_model);
    m_model->setColumnWidth(section, PixelsToTwipsX(this, newSize));
}

} // namespace quarry::platform
