// The sort order of rows that come in batches, found while they come: each
// batch is sorted on its own and merged with the rows before it, so that the
// complete list needs no sort of its own when the last batch is in.
#pragma once

#include "platform/widgets/ObjectListModel.h"

#include <QCollator>
#include <QString>

#include <memory>
#include <vector>

struct UCollator;

namespace quarry::platform {

class QUARRY_EXPORT ListOrder
{
public:
    // Under `model`'s sorting as it is now.
    explicit ListOrder(const ObjectListModel& model);

    // Rows items[count()..] are new.
    void add(const std::vector<ListItem>& items);
    // The rows in sort order (a permutation of 0..count-1); equal keys keep the order they came in.
    const std::vector<int>& order();
    // Whether `model` still sorts the way this order does.
    bool holdsFor(const ObjectListModel& model) const { return model.sortingRevision() == m_revision; }

private:
    // A row's place in the order. `head` and `next` hold the first eight
    // code units of a case-folded key, or the first sixteen bytes of a
    // collation key, so that most comparisons need not reach the keys.
    struct Entry
    {
        quint64 head;
        quint64 next;
        int row;
    };
    bool before(const Entry& a, const Entry& b) const
    {
        if (a.head != b.head)
            return (a.head < b.head) != m_descending;
        if (a.next != b.next)
            return (a.next < b.next) != m_descending;
        return tieBefore(a, b);
    }
    // Between entries whose packed prefixes are the same.
    bool tieBefore(const Entry& a, const Entry& b) const;
    QString keyText(const ListItem& item) const;
    // Merges the run starting at `second` into the one before it, which starts at `first`.
    void merge(size_t first, size_t second, size_t end);

    QCollator m_collator;
    int m_revision;
    bool m_sorted;
    int m_sortKey;
    bool m_descending;
    // The C locale's collation keys ignore the case setting its comparison
    // honours: there the keys are the texts case-folded.
    bool m_folded;
    std::vector<QString> m_foldedKeys;
    // Elsewhere ICU's keys, as QCollator makes them, kept end to end: made
    // through ICU itself, their bytes can be packed into the entries.
    struct CloseCollator
    {
        void operator()(UCollator* collator) const;
    };
    std::unique_ptr<UCollator, CloseCollator> m_icu;
    std::vector<quint8> m_keyBytes;
    std::vector<quint32> m_keyEnds;               // where each row's key ends in m_keyBytes
    std::vector<QCollatorSortKey> m_collatorKeys; // where ICU would not open the locale
    std::vector<Entry> m_entries;
    // Starts of the sorted runs in m_entries not yet merged; a run is merged
    // into the one before once it is as long, so each row is merged about
    // log(batches) times rather than once per batch after it.
    std::vector<size_t> m_runs;
    std::vector<int> m_order;
    bool m_orderStale = false;
};

} // namespace quarry::platform
