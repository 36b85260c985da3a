// Sorting of the rows loaded so far, by a click on a column's header. Numbers
// sort as numbers, exact decimals included; NULL comes first.
#pragma once

#include <QSortFilterProxyModel>

namespace dabrook {

class ResultsSort : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

} // namespace dabrook
