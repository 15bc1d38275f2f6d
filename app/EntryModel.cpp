#include "EntryModel.h"

namespace movrel {

namespace {

const char* const kCaptions[TEntryRow::ColumnCount] = {"Filename", "Date", "Time", "Type",
                                                         "Size",     "Packed", "Path", "Ratio"};

}  // namespace

TEntryModel::TEntryModel(QObject* parent) : QAbstractTableModel(parent) {}

void TEntryModel::SetRows(QList<TEntryRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int TEntryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TEntryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : TEntryRow::ColumnCount;
}

QVariant TEntryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const TEntryRow& row = m_rows[index.row()];
    int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return row.Text[column];
    case Qt::DecorationRole:
        return column == TEntryRow::Filename ? QVariant(row.Icon) : QVariant();
    case Qt::TextAlignmentRole:
        if (column == TEntryRow::Size || column == TEntryRow::Packed || column == TEntryRow::Ratio)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case SortRole:
        switch (column) {
        case TEntryRow::Date: return row.DateKey;
        case TEntryRow::Time: return row.TimeKey;
        case TEntryRow::Size: return qint64(row.SizeKey);
        case TEntryRow::Packed: return qint64(row.PackedKey);
        case TEntryRow::Ratio: return qint64(row.RatioKey);
        default: return row.Text[column];
        }
    default:
        return {};
    }
}

QVariant TEntryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= TEntryRow::ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kCaptions[section]);
    if (role == Qt::InitialSortOrderRole)
        return int(Qt::AscendingOrder);
    return {};
}

Qt::ItemFlags TEntryModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // never editable in place
}

}  // namespace movrel
