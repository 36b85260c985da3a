#include "platform/widgets/Grid.h"

#include "platform/widgets/Twips.h"

#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPalette>
#include <QStyleOptionViewItem>

#include <stdexcept>

namespace quarry::platform {

GridModel::GridModel(QObject* parent)
    : QAbstractTableModel(parent)
{}

void GridModel::setRows(int rows)
{
    rows = std::max(0, rows);
    const int old = this->rows();
    if (rows > old) {
        beginInsertRows({}, old, rows - 1);
        m_cells.resize(size_t(rows), QStringList(m_cols, QString()));
        endInsertRows();
    } else if (rows < old) {
        beginRemoveRows({}, rows, old - 1);
        m_cells.resize(size_t(rows));
        endRemoveRows();
    }
    m_fixedRows = std::min(m_fixedRows, rows);
}

void GridModel::setCols(int cols)
{
    cols = std::max(0, cols);
    if (cols > m_cols) {
        beginInsertColumns({}, m_cols, cols - 1);
        m_cols = cols;
        for (QStringList& row : m_cells)
            row.resize(cols);
        endInsertColumns();
    } else if (cols < m_cols) {
        beginRemoveColumns({}, cols, m_cols - 1);
        m_cols = cols;
        for (QStringList& row : m_cells)
            row.resize(cols);
        endRemoveColumns();
    }
}

void GridModel::setFixedRows(int rows)
{
    m_fixedRows = std::clamp(rows, 0, this->rows());
    if (this->rows() > 0)
        emit dataChanged(index(0, 0), index(this->rows() - 1, std::max(0, m_cols - 1)), {Qt::FontRole});
}

QString GridModel::text(int row, int col) const
{
    if (row < 0 || row >= rows() || col < 0 || col >= m_cols)
        return {};
    return m_cells[size_t(row)].at(col);
}

void GridModel::setText(int row, int col, const QString& text)
{
    if (row < 0 || row >= rows() || col < 0 || col >= m_cols)
        throw std::out_of_range("Subscript out of range");
    m_cells[size_t(row)][col] = text;
    const QModelIndex cell = index(row, col);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void GridModel::addRow(const QStringList& cells)
{
    const int row = rows();
    beginInsertRows({}, row, row);
    QStringList added = cells.mid(0, m_cols);
    added.resize(m_cols);
    m_cells.push_back(std::move(added));
    endInsertRows();
}

void GridModel::cutToHeader()
{
    setRows(m_fixedRows);
}

void GridModel::clearCells()
{
    for (QStringList& row : m_cells)
        row.fill(QString());
    if (rows() > 0 && m_cols > 0)
        emit dataChanged(index(0, 0), index(rows() - 1, m_cols - 1), {Qt::DisplayRole});
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows();
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_cols;
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_cells[size_t(index.row())].at(index.column());
    case Qt::FontRole:
        if (index.row() < m_fixedRows) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    default:
        return {};
    }
}

Grid::Grid(QWidget* parent)
    : QTableView(parent)
    , m_model(new GridModel(this))
{
    setModel(m_model);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setMouseTracking(true);
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { emit cellDoubleClicked(index.row(), index.column()); });
}

int Grid::currentRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void Grid::setCurrentRow(int row)
{
    setCurrentIndex(m_model->index(row, std::max(0, currentIndex().column())));
}

double Grid::colWidth(int col) const
{
    return PixelsToTwipsX(this, columnWidth(col));
}

void Grid::setColWidth(int col, double twips)
{
    setColumnWidth(col, TwipsToPixelsX(this, twips));
}

double Grid::rowHeightTwips(int row) const
{
    // An empty grid still has a row height to lay out with.
    const int pixels = row < m_model->rows() ? rowHeight(row) : verticalHeader()->defaultSectionSize();
    return PixelsToTwipsY(this, pixels);
}

void Grid::fitColumns(int first, int last, double extraTwips)
{
    // Every row counts, not only those in view; each cell measured as the view
    // lays it out, whose text runs wider at some scales than plain font metrics say.
    const int extra = TwipsToPixelsX(this, extraTwips);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    for (int col = std::max(0, first); col <= last && col < m_model->cols(); ++col) {
        int widest = 0;
        for (int row = 0; row < m_model->rows(); ++row) {
            const QModelIndex cell = m_model->index(row, col);
            widest = std::max(widest, itemDelegateForIndex(cell)->sizeHint(option, cell).width());
        }
        // A grid line takes a pixel of the cell, as the view's own measure allows for.
        setColumnWidth(col, widest + (showGrid() ? 1 : 0) + extra);
    }
}

void Grid::mouseMoveEvent(QMouseEvent* event)
{
    QTableView::mouseMoveEvent(event);
    const QPointF pos = event->position();
    emit pointerMoved(event->buttons(), event->modifiers(),
                      {PixelsToTwipsX(this, pos.x()), PixelsToTwipsY(this, pos.y())});
}

} // namespace quarry::platform
