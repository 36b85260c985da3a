#include "platform/widgets/ListOrder.h"

#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>

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

// Eight bytes of `key` from `from`, the first in the highest bits; zeros past
// its end, which no key holds before its last byte.
quint64 bytesOf(const quint8* key, size_t length, size_t from)
{
    quint64 bytes = 0;
    for (size_t i = from; i < from + 8; ++i)
        bytes = (bytes << 8) | (i < length ? key[i] : 0u);
    return bytes;
}

// ICU's collator as QCollator sets it up for `collator`'s locale and options,
// so that its keys order as QCollator's do.
UCollator* openLike(const QCollator& collator)
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name = collator.locale().bcp47Name().toLatin1().replace('-', '_');
    UCollator* icu = ucol_open(name.constData(), &status);
    if (U_FAILURE(status))
        return nullptr;
    const auto set = [icu](UColAttribute attribute, UColAttributeValue value) {
        UErrorCode ignored = U_ZERO_ERROR;
        ucol_setAttribute(icu, attribute, value, &ignored);
    };
    set(UCOL_NORMALIZATION_MODE, UCOL_ON);
    set(UCOL_STRENGTH,
        collator.caseSensitivity() == Qt::CaseSensitive ? UCOL_DEFAULT_STRENGTH : UCOL_SECONDARY);
    set(UCOL_NUMERIC_COLLATION, collator.numericMode() ? UCOL_ON : UCOL_OFF);
    set(UCOL_ALTERNATE_HANDLING, collator.ignorePunctuation() ? UCOL_SHIFTED : UCOL_NON_IGNORABLE);
    return icu;
}

} // namespace

void ListOrder::CloseCollator::operator()(UCollator* collator) const
{
    ucol_close(collator);
}

ListOrder::ListOrder(const ObjectListModel& model)
    : m_collator(model.collator())
    , m_revision(model.sortingRevision())
    , m_sorted(model.sorted())
    , m_sortKey(model.sortKey())
    , m_descending(model.sortOrder() != 0)
    , m_folded(m_collator.locale().language() == QLocale::C)
{
    if (!m_folded && m_sorted)
        m_icu.reset(openLike(m_collator));
}

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
    } else if (m_icu) {
        // Past the sixteen bytes known equal; a key ends in the only zero byte it holds.
        const quint8* p = m_keyBytes.data() + (x ? m_keyEnds[x - 1] : 0);
        const quint8* q = m_keyBytes.data() + (y ? m_keyEnds[y - 1] : 0);
        const size_t pn = m_keyEnds[x] - size_t(p - m_keyBytes.data());
        const size_t qn = m_keyEnds[y] - size_t(q - m_keyBytes.data());
        const size_t common = std::min(pn, qn);
        order = common > 16 ? std::memcmp(p + 16, q + 16, common - 16) : 0;
        if (order == 0)
            order = int(pn > qn) - int(pn < qn);
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
        } else if (m_icu) {
            const QString text = keyText(items[i]);
            const size_t start = m_keyBytes.size();
            // Most keys fit in the room a short name's needs; the rest are made again.
            size_t room = 16 + size_t(text.size()) * 3;
            for (;;) {
                m_keyBytes.resize(start + room);
                const int32_t length =
                    ucol_getSortKey(m_icu.get(), reinterpret_cast<const UChar*>(text.utf16()),
                                    int32_t(text.size()), m_keyBytes.data() + start, int32_t(room));
                if (size_t(length) <= room) {
                    m_keyBytes.resize(start + size_t(length));
                    break;
                }
                room = size_t(length);
            }
            m_keyEnds.push_back(quint32(m_keyBytes.size()));
            entry.head = bytesOf(m_keyBytes.data() + start, m_keyBytes.size() - start, 0);
            entry.next = bytesOf(m_keyBytes.data() + start, m_keyBytes.size() - start, 8);
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
