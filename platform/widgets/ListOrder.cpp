#include "platform/widgets/ListOrder.h"

#include <algorithm>

namespace quarry::platform {

namespace {

// Four UTF-16 code units from `from`, the first in the highest bits: ordered
// as the texts are, where they differ within those units.
quint64 unitsOf(const QString& key, qsizetype from)
{
    quint64 units = 0;
    for (qsizetype i = from; i < from + 4; ++i)
        units = (units << 16) | (i < key.size() ? key[i].unicode() : 0u);
    return units;
}

// As toCaseFolded(), without its table look-ups for the ASCII names most catalogs hold.
QString folded(const QString& text)
{
    bool upper = false;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit >= 0x80)
            return text.toCaseFolded();
        upper = upper || (unit >= u'A' && unit <= u'Z');
    }
    if (!upper)
        return text;
    QString lower = text;
    for (QChar& c : lower)
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return lower;
}

} // namespace

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

bool ListOrder::tieBefore(const Entry& a, const Entry& b) const
{
    const size_t x = size_t(a.row);
    const size_t y = size_t(b.row);
    int order = 0;
    if (m_folded) {
        // The first eight units are known equal: the rest, unit by unit, then the length.
        const QString& p = m_foldedKeys[x];
        const QString& q = m_foldedKeys[y];
        const qsizetype common = std::min(p.size(), q.size());
        qsizetype i = 8;
        while (i < common && p[i] == q[i])
            ++i;
        order = i < common ? int(p[i].unicode()) - int(q[i].unicode())
                           : int(p.size() > q.size()) - int(p.size() < q.size());
    } else {
        order = m_collatorKeys[x].compare(m_collatorKeys[y]);
    }
    if (order != 0)
        return m_descending ? order > 0 : order < 0;
    // Equal keys in the order they came: the sort need not be a stable one.
    return a.row < b.row;
}

void ListOrder::add(const std::vector<ListItem>& items)
{
    const size_t from = m_entries.size();
    if (items.size() <= from)
        return;
    m_orderStale = true;
    m_entries.reserve(items.size());
    if (!m_sorted) {
        for (size_t i = from; i < items.size(); ++i)
            m_entries.push_back({0, 0, int(i)});
        return;
    }
    for (size_t i = from; i < items.size(); ++i) {
        Entry entry{0, 0, int(i)};
        if (m_folded) {
            m_foldedKeys.push_back(folded(keyText(items[i])));
            entry.head = unitsOf(m_foldedKeys.back(), 0);
            entry.next = unitsOf(m_foldedKeys.back(), 4);
        } else {
            m_collatorKeys.push_back(m_collator.sortKey(keyText(items[i])));
        }
        m_entries.push_back(entry);
    }
    const auto less = [this](const Entry& a, const Entry& b) { return before(a, b); };
    const auto batch = m_entries.begin() + qsizetype(from);
    // Catalogs mostly hand their rows over in name order already: a pass tells.
    if (!std::is_sorted(batch, m_entries.end(), less))
        std::sort(batch, m_entries.end(), less);
    m_runs.push_back(from);
    while (m_runs.size() > 1) {
        const size_t second = m_runs.back();
        const size_t first = m_runs[m_runs.size() - 2];
        if (m_entries.size() - second < second - first)
            break;
        merge(first, second, m_entries.size());
        m_runs.pop_back();
    }
}

void ListOrder::merge(size_t first, size_t second, size_t end)
{
    const auto less = [this](const Entry& a, const Entry& b) { return before(a, b); };
    const auto at = [this](size_t i) { return m_entries.begin() + qsizetype(i); };
    if (less(*at(second), *at(second - 1)))
        std::inplace_merge(at(first), at(second), at(end), less);
}

const std::vector<int>& ListOrder::order()
{
    for (; m_runs.size() > 1; m_runs.pop_back())
        merge(m_runs[m_runs.size() - 2], m_runs.back(), m_entries.size());
    if (m_orderStale) {
        m_order.resize(m_entries.size());
        for (size_t i = 0; i < m_entries.size(); ++i)
            m_order[i] = m_entries[i].row;
        m_orderStale = false;
    }
    return m_order;
}

} // namespace quarry::platform
