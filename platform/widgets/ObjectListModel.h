// The object list's content: items (text, sub-item texts, a large and a small
// icon index) and columns (header text, width in twips, header icon index),
// kept sorted as text by a sort key and order when sorting is on.
#pragma once

#include <quarry/quarry_export.h>

#include <QAbstractTableModel>
#include <QCollator>
#include <QPointer>
#include <QStringList>

#include <vector>

namespace quarry::platform {

class ImageList;

struct QUARRY_EXPORT ListItem
{
    QString text;
    // subItems[0] is sub-item 1, shown in the second column.
    QStringList subItems;
    int largeIcon = 0;
    int smallIcon = 0;
};

struct QUARRY_EXPORT ListColumn
{
    QString text;
    double width = 0; // twips
    int icon = 0;
};

class QUARRY_EXPORT ObjectListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Roles
    {
        LargeIconRole = Qt::UserRole + 1,
        WidthRole
    };

    explicit ObjectListModel(QObject* parent = nullptr);

    void setImageLists(ImageList* small, ImageList* large, ImageList* headerIcons);

    // Columns are counted from 0 here; column c shows sub-item c.
    void addColumn(const QString& text, double widthTwips);
    int columns() const { return int(m_columns.size()); }
    const ListColumn& column(int index) const { return m_columns.at(size_t(index)); }
    void setColumnWidth(int index, double twips);
    void setColumnIcon(int index, int icon);
    void clearColumns();

    // Adds an item where the sort order puts it (at the end when unsorted); returns its row.
    int addItem(const ListItem& item);
    // Replaces every item at once, sorting once.
    void setItems(std::vector<ListItem> items);
    // The same, in an order found under the present sorting (see ListOrder):
    // item order[i] at row i.
    void setItems(std::vector<ListItem> items, std::vector<int> order);
    // Changes whenever the sorting does.
    int sortingRevision() const { return m_sortingRevision; }
    const QCollator& collator() const { return m_collator; }
    void clear();
    int count() const { return int(m_items.size()); }
    const ListItem& item(int row) const { return m_items.at(size_t(m_rows.at(size_t(row)))); }
    QString subItem(int row, int number) const;
    // Throws std::out_of_range for a row or number outside the list.
    void setSubItem(int row, int number, const QString& text);
    void setItemText(int row, const QString& text);

    // Rows of the `limit` longest texts of column `column` (0 the item text), by
    // character count: the texts worth measuring when only the widest matters.
    std::vector<int> longestTexts(int column, int first, int last, std::size_t limit = 32) const;

    bool sorted() const { return m_sorted; }
    void setSorted(bool sorted);
    // 0 the item text, n sub-item n.
    int sortKey() const { return m_sortKey; }
    void setSortKey(int key);
    // 0 ascending, 1 descending.
    int sortOrder() const { return m_sortOrder; }
    void setSortOrder(int order);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QString keyText(const ListItem& item) const;
    bool before(const ListItem& a, const ListItem& b) const;
    ListItem& at(int row) { return m_items[size_t(m_rows[size_t(row)])]; }
    const ListItem& at(int row) const { return m_items[size_t(m_rows[size_t(row)])]; }
    // The items in sort order (a permutation of 0..count-1); equal keys in the order they came.
    std::vector<int> sortedOrder() const;
    void resort();

    // In the order they came; m_rows[row] is the item shown at `row`: a
    // large list is ordered without moving its items.
    std::vector<ListItem> m_items;
    std::vector<int> m_rows;
    std::vector<ListColumn> m_columns;
    QPointer<ImageList> m_small;
    QPointer<ImageList> m_large;
    QPointer<ImageList> m_headerIcons;
    QCollator m_collator;
    bool m_sorted = true;
    int m_sortKey = 0;
    int m_sortOrder = 0;
    int m_sortingRevision = 0;
};

} // namespace quarry::platform
