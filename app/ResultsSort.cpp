#include "app/ResultsSort.h"

#include "app/ResultsModel.h"

namespace dabrook {

bool ResultsSort::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariant a = left.data(ResultsModel::ValueRole), b = right.data(ResultsModel::ValueRole);
    const bool aNull = left.data(ResultsModel::IsNullRole).toBool();
    const bool bNull = right.data(ResultsModel::IsNullRole).toBool();
    if (aNull || bNull)
        return aNull && !bNull;
    // Exact decimals arrive as text; "10.5" still sorts after "9.2".
    bool aNumber = false, bNumber = false;
    const double x = a.toDouble(&aNumber), y = b.toDouble(&bNumber);
    if (aNumber && bNumber && a.typeId() != QMetaType::QDate && a.typeId() != QMetaType::QDateTime)
        return x < y;
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order != QPartialOrdering::Unordered)
        return order == QPartialOrdering::Less;
    return left.data().toString().localeAwareCompare(right.data().toString()) < 0;
}

} // namespace dabrook
