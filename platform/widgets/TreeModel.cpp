#include "platform/widgets/TreeModel.h"

#include "platform/widgets/ImageList.h"

#include <QFont>
#include <QStringList>

#include <stdexcept>

namespace quarry::platform {

TreeModel::TreeModel(QObject* parent)
    : QAbstractItemModel(parent)
{}

void TreeModel::setImageList(ImageList* images)
{
    m_images = images;
    if (!m_nodes.empty()) {
        beginResetModel();
        endResetModel();
    }
}

void TreeModel::setPathSeparator(const QString& separator)
{
    m_separator = separator;
}

QModelIndex TreeModel::addNode(const QModelIndex& parent, const QString& key, const QString& text, int image)
{
    if (!key.isEmpty() && findKey(key).isValid())
        throw std::invalid_argument("Key is not unique in collection");
    const int id = int(m_nodes.size());
    const std::vector<int>& siblings = childrenOf(parent);
    const int row = int(siblings.size());
    beginInsertRows(parent, row, row);
    Node added;
    added.key = key;
    added.text = text;
    added.image = image;
    added.parent = parent.isValid() ? int(parent.internalId()) : -1;
    added.row = row;
    m_nodes.push_back(std::move(added));
    if (parent.isValid())
        m_nodes[parent.internalId()].children.push_back(id);
    else
        m_roots.push_back(id);
    endInsertRows();
    return createIndex(row, 0, quintptr(id));
}

void TreeModel::clear()
{
    beginResetModel();
    m_nodes.clear();
    m_roots.clear();
    endResetModel();
}

QModelIndex TreeModel::findKey(const QString& key) const
{
    if (key.isEmpty())
        return {};
    for (size_t id = 0; id < m_nodes.size(); ++id) {
        if (m_nodes[id].key == key)
            return createIndex(m_nodes[id].row, 0, quintptr(id));
    }
    return {};
}

QString TreeModel::key(const QModelIndex& index) const
{
    const Node* n = node(index);
    return n ? n->key : QString();
}

QString TreeModel::text(const QModelIndex& index) const
{
    const Node* n = node(index);
    return n ? n->text : QString();
}

int TreeModel::image(const QModelIndex& index) const
{
    const Node* n = node(index);
    return n ? n->image : 0;
}

void TreeModel::setImage(const QModelIndex& index, int image)
{
    if (!node(index))
        return;
    m_nodes[index.internalId()].image = image;
    changed(index, {Qt::DecorationRole, ImageRole});
}

bool TreeModel::bold(const QModelIndex& index) const
{
    const Node* n = node(index);
    return n && n->bold;
}

void TreeModel::setBold(const QModelIndex& index, bool bold)
{
    if (!node(index))
        return;
    m_nodes[index.internalId()].bold = bold;
    changed(index, {Qt::FontRole});
}

void TreeModel::setTag(const QModelIndex& index, const QString& tag)
{
    if (!node(index))
        return;
    m_nodes[index.internalId()].tag = tag;
    changed(index, {TagRole});
}

QString TreeModel::fullPath(const QModelIndex& index) const
{
    QStringList texts;
    for (const Node* n = node(index); n; n = n->parent < 0 ? nullptr : &m_nodes[size_t(n->parent)])
        texts.prepend(n->text);
    return texts.join(m_separator);
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0 || (parent.isValid() && parent.model() != this))
        return {};
    const std::vector<int>& siblings = childrenOf(parent);
    if (size_t(row) >= siblings.size())
        return {};
    return createIndex(row, 0, quintptr(siblings[size_t(row)]));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const
{
    const Node* n = node(child);
    if (!n || n->parent < 0)
        return {};
    return createIndex(m_nodes[size_t(n->parent)].row, 0, quintptr(n->parent));
}

int TreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(childrenOf(parent).size());
}

int TreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const
{
    const Node* n = node(index);
    if (!n)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return n->text;
    case Qt::DecorationRole:
        return m_images ? QVariant(m_images->icon(n->image)) : QVariant();
    case Qt::FontRole:
        if (n->bold) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case KeyRole:
        return n->key;
    case ImageRole:
        return n->image;
    case FullPathRole:
        return fullPath(index);
    case TagRole:
        return n->tag;
    default:
        return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const
{
    if (!node(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

const TreeModel::Node* TreeModel::node(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.internalId() >= m_nodes.size())
        return nullptr;
    return &m_nodes[index.internalId()];
}

const std::vector<int>& TreeModel::childrenOf(const QModelIndex& parent) const
{
    const Node* n = node(parent);
    return n ? n->children : m_roots;
}

void TreeModel::changed(const QModelIndex& index, const QList<int>& roles)
{
    emit dataChanged(index, index, roles);
}

} // namespace quarry::platform
