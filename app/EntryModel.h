// The rows of the entry list in the engine's order: row i is the engine's
// entry i. The list shows them through TEntrySortProxy.
#pragma once

#include "EntryRow.h"

#include <QAbstractTableModel>
#include <QList>

namespace movrel {

class TEntryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The role that answers the typed sort key of a cell.
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit TEntryModel(QObject* parent = nullptr);

    // Replaces every row at once.
    void SetRows(QList<TEntryRow> rows);
    void Clear() { SetRows({}); }
    const TEntryRow& Row(int i) const { return m_rows[i]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QList<TEntryRow> m_rows;
};

}  // namespace movrel
