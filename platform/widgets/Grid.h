// A text grid over plain vectors: rows and columns of cells, the first
// FixedRows rows being header rows. Sizes are in twips.
#pragma once

#include <quarry/quarry_export.h>

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

#include <vector>

namespace quarry::platform {

class QUARRY_EXPORT GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    int rows() const { return int(m_cells.size()); }
    int cols() const { return m_cols; }
    // Growing adds empty cells; shrinking drops them from the end.
    void setRows(int rows);
    void setCols(int cols);
    int fixedRows() const { return m_fixedRows; }
    void setFixedRows(int rows);

    QString text(int row, int col) const;
    // Throws std::out_of_range outside the grid.
    void setText(int row, int col, const QString& text);
    // Appends a row; `cells` fill it from column 0, the rest stay empty.
    void addRow(const QStringList& cells = {});
    // Drops every row below the header rows.
    void cutToHeader();
    // Empties every cell, keeping the size.
    void clearCells();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<QStringList> m_cells;
    int m_cols = 0;
    int m_fixedRows = 0;
};

class QUARRY_EXPORT Grid : public QTableView
{
    Q_OBJECT
public:
    explicit Grid(QWidget* parent = nullptr);

    GridModel* grid() const { return m_model; }

    int currentRow() const;
    void setCurrentRow(int row);

    // Widths in twips.
    double colWidth(int col) const;
    void setColWidth(int col, double twips);
    double rowHeightTwips(int row) const;
    // Fits columns first..last to their widest cell plus `extraTwips`.
    void fitColumns(int first, int last, double extraTwips = 0);

signals:
    void cellDoubleClicked(int row, int col);
    void pointerMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF twips);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    GridModel* m_model;
};

} // namespace quarry::platform
