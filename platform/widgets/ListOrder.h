// The sort order of rows that come in batches, found while they come: each
// batch is sorted on its own and merged into the rows before it, so that the
// complete list needs no sort of its own when the last batch is in.
#pragma once

#include "platform/widgets/ObjectListModel.h"

#include <QCollator>
#include <QString>

#include <vector>

namespace quarry::platform {

class QUARRY_EXPORT ListOrder
{
public:
    // Under `model`'s sorting as it is now.
    explicit ListOrder(const ObjectListModel& model);

    // Rows items[count()..] are new.
    void add(const std::vector<ListItem>& items);
    int count() const { return int(m_order.size()); }
    // The rows in sort order (a permutation of 0..count-1); equal keys keep the order they came in.
    const std::vector<int>& order() const { return m_order; }
    // Whether `model` still sorts the way this order does.
    bool holdsFor(const ObjectListModel& model) const { return model.sortingRevision() == m_revision; }

private:
    template <class Key> void addKeyed(std::vector<Key>& keys, const std::vector<ListItem>& items);
    QString keyText(const ListItem& item) const;

    QCollator m_collator;
    int m_revision;
    bool m_sorted;
    int m_sortKey;
    bool m_descending;
    // The C locale's collation keys ignore the case setting its comparison
    // honours: there the keys are the texts case-folded.
    bool m_folded;
    std::vector<QString> m_foldedKeys;
    std::vector<QCollatorSortKey> m_collatorKeys;
    std::vector<int> m_order;
};

} // namespace quarry::platform
