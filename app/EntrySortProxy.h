// Sorts the entry list by one column: dates as dates, times as times,
// sizes and ratios as numbers, texts with the locale's comparison
// (letter case counts). Equal cells keep the engine's order.
#pragma once

#include <QSortFilterProxyModel>

namespace movrel {

class TEntrySortProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit TEntrySortProxy(QObject* parent = nullptr);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

}  // namespace movrel
