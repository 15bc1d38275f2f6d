#include "EntrySortProxy.h"

#include "EntryModel.h"

#include <QDate>
#include <QTime>

namespace movrel {

TEntrySortProxy::TEntrySortProxy(QObject* parent) : QSortFilterProxyModel(parent)
{
    setSortRole(TEntryModel::SortRole);
    setDynamicSortFilter(true);
}

bool TEntrySortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    QVariant a = left.data(TEntryModel::SortRole), b = right.data(TEntryModel::SortRole);
    int order = 0;
    switch (a.typeId()) {
    case QMetaType::QDate: order = a.toDate() < b.toDate() ? -1 : (b.toDate() < a.toDate() ? 1 : 0); break;
    case QMetaType::QTime: order = a.toTime() < b.toTime() ? -1 : (b.toTime() < a.toTime() ? 1 : 0); break;
    case QMetaType::LongLong: order = a.toLongLong() < b.toLongLong() ? -1 : (a.toLongLong() > b.toLongLong() ? 1 : 0); break;
    default: order = QString::localeAwareCompare(a.toString(), b.toString()); break;
    }
    if (order != 0)
        return order < 0;
    return left.row() < right.row();
}

}  // namespace movrel
