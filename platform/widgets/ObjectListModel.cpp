#include "platform/widgets/ObjectListModel.h"

#include "platform/widgets/ImageList.h"
#include "platform/widgets/ListOrder.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <stdexcept>

namespace quarry::platform {

ObjectListModel::ObjectListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

void ObjectListModel::setImageLists(ImageList* small, ImageList* large, ImageList* headerIcons)
{
    m_small = small;
    m_large = large;
    m_headerIcons = headerIcons;
    if (!m_items.empty())
        emit dataChanged(index(0, 0), index(count() - 1, 0), {Qt::DecorationRole, LargeIconRole});
    if (!m_columns.empty())
        emit headerDataChanged(Qt::Horizontal, 0, columns() - 1);
}

void ObjectListModel::addColumn(const QString& text, double widthTwips)
{
    // Column 0 always exists for the item texts; the first added column names it.
    if (m_columns.empty()) {
        m_columns.push_back({text, widthTwips, 0});
        emit headerDataChanged(Qt::Horizontal, 0, 0);
        return;
    }
    const int at = columns();
    beginInsertColumns({}, at, at);
    m_columns.push_back({text, widthTwips, 0});
    endInsertColumns();
}

void ObjectListModel::setColumnWidth(int index, double twips)
{
    m_columns.at(size_t(index)).width = twips;
    emit headerDataChanged(Qt::Horizontal, index, index);
}

void ObjectListModel::setColumnIcon(int index, int icon)
{
    m_columns.at(size_t(index)).icon = icon;
    emit headerDataChanged(Qt::Horizontal, index, index);
}

void ObjectListModel::clearColumns()
{
    beginResetModel();
    m_columns.clear();
    endResetModel();
}

int ObjectListModel::addItem(const ListItem& item)
{
    int row = count();
    if (m_sorted) {
        // After its equals, so that equal keys keep the order they came in.
        const auto at =
            std::upper_bound(m_rows.begin(), m_rows.end(), item,
                             [this](const ListItem& a, int b) { return before(a, m_items[size_t(b)]); });
        row = int(at - m_rows.begin());
    }
    beginInsertRows({}, row, row);
    m_items.push_back(item);
    m_rows.insert(m_rows.begin() + row, int(m_items.size() - 1));
    endInsertRows();
    return row;
}

void ObjectListModel::setItems(std::vector<ListItem> items)
{
    beginResetModel();
    m_items = std::move(items);
    if (m_sorted) {
        m_rows = sortedOrder();
    } else {
        m_rows.resize(m_items.size());
        std::iota(m_rows.begin(), m_rows.end(), 0);
    }
    endResetModel();
}

void ObjectListModel::setItems(std::vector<ListItem> items, std::vector<int> order)
{
    beginResetModel();
    m_items = std::move(items);
    m_rows = std::move(order);
    endResetModel();
}

std::vector<int> ObjectListModel::longestTexts(int column, int first, int last, std::size_t limit) const
{
    first = std::max(first, 0);
    last = std::min(last, count() - 1);
    if (limit == 0)
        return {};
    // The `limit` longest so far, the shortest of them on top: one comparison
    // for most rows of a large list.
    std::vector<std::pair<qsizetype, int>> longest;
    longest.reserve(limit + 1);
    const auto shorter = std::greater<>();
    for (int row = first; row <= last; ++row) {
        const ListItem& item = at(row);
        const qsizetype size = column == 0                      ? item.text.size()
                               : column <= item.subItems.size() ? item.subItems[column - 1].size()
                                                                : 0;
        if (longest.size() == limit && size <= longest.front().first)
            continue;
        longest.emplace_back(size, row);
        std::push_heap(longest.begin(), longest.end(), shorter);
        if (longest.size() > limit) {
            std::pop_heap(longest.begin(), longest.end(), shorter);
            longest.pop_back();
        }
    }
    std::vector<int> rows;
    rows.reserve(longest.size());
    for (const auto& [length, row] : longest)
        rows.push_back(row);
    return rows;
}

void ObjectListModel::clear()
{
    if (m_items.empty())
        return;
    beginRemoveRows({}, 0, count() - 1);
    m_items.clear();
    m_rows.clear();
    endRemoveRows();
}

QString ObjectListModel::subItem(int row, int number) const
{
    if (row < 0 || row >= count() || number < 1)
        return {};
    return at(row).subItems.value(number - 1);
}

void ObjectListModel::setSubItem(int row, int number, const QString& text)
{
    if (row < 0 || row >= count() || number < 1 || number >= std::max(1, columns()))
        throw std::out_of_range("Invalid property value");
    QStringList& subItems = at(row).subItems;
    if (subItems.size() < number)
        subItems.resize(number);
    subItems[number - 1] = text;
    emit dataChanged(index(row, number), index(row, number), {Qt::DisplayRole});
    if (m_sorted && m_sortKey == number)
        resort();
}

void ObjectListModel::setItemText(int row, const QString& text)
{
    if (row < 0 || row >= count())
        throw std::out_of_range("Invalid property value");
    at(row).text = text;
    emit dataChanged(index(row, 0), index(row, 0), {Qt::DisplayRole});
    if (m_sorted && m_sortKey == 0)
        resort();
}

void ObjectListModel::setSorted(bool sorted)
{
    ++m_sortingRevision;
    m_sorted = sorted;
    if (sorted)
        resort();
}

void ObjectListModel::setSortKey(int key)
{
    ++m_sortingRevision;
    m_sortKey = std::max(0, key);
    if (m_sorted)
        resort();
}

void ObjectListModel::setSortOrder(int order)
{
    ++m_sortingRevision;
    m_sortOrder = order == 0 ? 0 : 1;
    if (m_sorted)
        resort();
}

int ObjectListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int ObjectListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(1, columns());
}

QVariant ObjectListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ListItem& item = at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return index.column() == 0 ? item.text : item.subItems.value(index.column() - 1);
    case Qt::DecorationRole:
        if (index.column() == 0 && m_small)
            return m_small->icon(item.smallIcon);
        return {};
    case LargeIconRole:
        if (index.column() == 0 && m_large)
            return m_large->icon(item.largeIcon);
        return {};
    default:
        return {};
    }
}

QVariant ObjectListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns())
        return QAbstractTableModel::headerData(section, orientation, role);
    const ListColumn& column = m_columns[size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return column.text;
    case Qt::DecorationRole:
        if (m_headerIcons && column.icon > 0)
            return m_headerIcons->icon(column.icon);
        return {};
    case WidthRole:
        return column.width;
    default:
        return {};
    }
}

Qt::ItemFlags ObjectListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QString ObjectListModel::keyText(const ListItem& item) const
{
    return m_sortKey == 0 ? item.text : item.subItems.value(m_sortKey - 1);
}

bool ObjectListModel::before(const ListItem& a, const ListItem& b) const
{
    const int order = m_collator.compare(keyText(a), keyText(b));
    return m_sortOrder == 0 ? order < 0 : order > 0;
}

std::vector<int> ObjectListModel::sortedOrder() const
{
    ListOrder order(*this);
    order.add(m_items);
    return order.order();
}

void ObjectListModel::resort()
{
    if (m_items.size() < 2)
        return;
    std::vector<int> order = sortedOrder();
    if (order == m_rows)
        return;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> rowOf(order.size()); // by item
    for (size_t i = 0; i < order.size(); ++i)
        rowOf[size_t(order[i])] = int(i);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(rowOf[size_t(m_rows[size_t(old.row())])], old.column()));
    m_rows = std::move(order);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace quarry::platform
