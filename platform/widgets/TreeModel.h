// The data-source tree: nodes with a key, a text, an image, a bold flag, a
// tag and a parent, kept in plain vectors. Identity is the key (unique when
// not empty); the tag is free for the caller, and never shown.
#pragma once

#include <quarry/quarry_export.h>

#include <QAbstractItemModel>
#include <QPointer>
#include <QString>

#include <vector>

namespace quarry::platform {

class ImageList;

class QUARRY_EXPORT TreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Roles
    {
        KeyRole = Qt::UserRole + 1,
        ImageRole,
        FullPathRole,
        TagRole
    };

    explicit TreeModel(QObject* parent = nullptr);

    void setImageList(ImageList* images);
    QString pathSeparator() const { return m_separator; }
    void setPathSeparator(const QString& separator);

    // Adds a node under `parent` (invalid for a root). Throws
    // std::invalid_argument when `key` is already taken.
    QModelIndex addNode(const QModelIndex& parent, const QString& key, const QString& text, int image);
    void clear();
    int nodeCount() const { return int(m_nodes.size()); }

    QModelIndex findKey(const QString& key) const;
    QString key(const QModelIndex& node) const;
    QString text(const QModelIndex& node) const;
    int image(const QModelIndex& node) const;
    void setImage(const QModelIndex& node, int image);
    bool bold(const QModelIndex& node) const;
    void setBold(const QModelIndex& node, bool bold);
    void setTag(const QModelIndex& node, const QString& tag);
    // The texts from the root down to `node`, joined by the path separator.
    QString fullPath(const QModelIndex& node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Node
    {
        QString key;
        QString text;
        QString tag;
        int image = 0;
        bool bold = false;
        int parent = -1;
        int row = 0;
        std::vector<int> children;
    };

    const Node* node(const QModelIndex& index) const;
    const std::vector<int>& childrenOf(const QModelIndex& parent) const;
    void changed(const QModelIndex& index, const QList<int>& roles);

    std::vector<Node> m_nodes;
    std::vector<int> m_roots;
    QString m_separator = QStringLiteral("\\");
    QPointer<ImageList> m_images;
};

} // namespace quarry::platform
