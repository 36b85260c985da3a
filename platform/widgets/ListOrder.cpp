#include "platform/widgets/ListOrder.h"

#include <algorithm>
#include <numeric>

namespace quarry::platform {

ListOrder::ListOrder(const ObjectListModel& model)
    : m_collator(model.collator())
    , m_revision(model.sortingRevision())
    , m_sorted(model.sorted())
    , m_sortKey(model.sortKey())
    , m_descending(model.sortOrder() != 0)
    , m_folded(m_collator.locale().language() == QLocale::C)
{}

QString ListOrder::keyText(const ListItem& item) const
{
    return m_sortKey == 0 ? item.text : item.subItems.value(m_sortKey - 1);
}

void ListOrder::add(const std::vector<ListItem>& items)
{
    if (m_folded)
        addKeyed(m_foldedKeys, items);
    else
        addKeyed(m_collatorKeys, items);
}

template <class Key> void ListOrder::addKeyed(std::vector<Key>& keys, const std::vector<ListItem>& items)
{
    const size_t from = m_order.size();
    if (items.size() <= from)
        return;
    m_order.resize(items.size());
    const auto batch = m_order.begin() + qsizetype(from);
    std::iota(batch, m_order.end(), int(from));
    if (!m_sorted)
        return;
    keys.reserve(items.size());
    for (size_t i = from; i < items.size(); ++i) {
        if constexpr (std::is_same_v<Key, QString>)
            keys.push_back(keyText(items[i]).toCaseFolded());
        else
            keys.push_back(m_collator.sortKey(keyText(items[i])));
    }
    const auto before = [&keys, descending = m_descending](int a, int b) {
        const int order = keys[size_t(a)].compare(keys[size_t(b)]);
        return descending ? order > 0 : order < 0;
    };
    // Catalogs mostly hand their rows over in name order already: a pass tells.
    if (!std::is_sorted(batch, m_order.end(), before))
        std::stable_sort(batch, m_order.end(), before);
    if (from > 0 && before(*batch, *(batch - 1)))
        std::inplace_merge(m_order.begin(), batch, m_order.end(), before);
}

} // namespace quarry::platform
