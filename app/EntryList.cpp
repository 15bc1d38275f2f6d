#include "EntryList.h"

#include "EntryModel.h"
#include "EntrySortProxy.h"

#include <QHeaderView>
#include <QListView>
#include <QPainter>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

namespace movrel {

namespace {

// Draws the report view's extended styles: grid lines, selection of the
// caption only unless the whole row is selected, the hot row underlined.
class TReportDelegate : public QStyledItemDelegate {
public:
    TReportDelegate(TEntryList* list) : QStyledItemDelegate(list), m_list(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        TEntryList::TExtendedStyles styles = m_list->ExtendedStyles();
        if (!(styles & TEntryList::lvxFullRowSelect) && index.column() != 0)
            opt.state &= ~(QStyle::State_Selected | QStyle::State_MouseOver);
        bool hot = option.state & QStyle::State_MouseOver;
        if ((hot && (styles & TEntryList::lvxUnderlineHot)) || (!hot && (styles & TEntryList::lvxUnderlineCold)))
            opt.font.setUnderline(true);
        if (!(styles & (TEntryList::lvxTrackSelect | TEntryList::lvxUnderlineHot)))
            opt.state &= ~QStyle::State_MouseOver;
        QStyledItemDelegate::paint(painter, opt, index);
        if (styles & TEntryList::lvxGridLines) {
            painter->save();
            painter->setPen(option.palette.color(QPalette::Mid));
            painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            painter->restore();
        }
    }

private:
    TEntryList* m_list;
};

}  // namespace

TEntryList::TEntryList(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LMDListBox1"));
    setStatusTip(QStringLiteral("Movrel"));

    m_model = new TEntryModel(this);
    m_proxy = new TEntrySortProxy(this);
    m_proxy->setSourceModel(m_model);

    m_report = new QTreeView(this);
    m_report->setObjectName(QStringLiteral("ReportView"));
    m_report->setModel(m_proxy);
    m_report->setRootIsDecorated(false);
    m_report->setItemsExpandable(false);
    m_report->setUniformRowHeights(true);
    m_report->setAllColumnsShowFocus(true);
    m_report->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_report->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_report->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_report->setContextMenuPolicy(Qt::CustomContextMenu);
    m_report->setMouseTracking(true);
    m_report->setItemDelegate(new TReportDelegate(this));
    m_report->header()->setSectionsMovable(true);
    m_report->header()->setSortIndicatorShown(true);
    m_report->header()->setStretchLastSection(false);
    m_report->setSortingEnabled(true);
    m_report->sortByColumn(0, Qt::AscendingOrder);
    const int widths[TEntryRow::ColumnCount] = {170, 90, 70, 160, 70, 70, 110, 50};
    for (int c = 0; c < TEntryRow::ColumnCount; ++c)
        m_report->header()->resizeSection(c, widths[c]);

    m_icons = new QListView(this);
    m_icons->setObjectName(QStringLiteral("IconView"));
    m_icons->setModel(m_proxy);
    m_icons->setSelectionModel(m_report->selectionModel());
    m_icons->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_icons->setContextMenuPolicy(Qt::CustomContextMenu);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    m_icons->setUniformItemSizes(true);

    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_report);
    m_stack->addWidget(m_icons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_report), static_cast<QAbstractItemView*>(m_icons)}) {
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex& index) { emit RowActivated(m_proxy->mapToSource(index).row()); });
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& pos) { emit ContextMenuAt(view->viewport()->mapToGlobal(pos)); });
    }
    SetViewStyle(vsReport);
}

void TEntryList::SetViewStyle(TViewStyle style)
{
    m_style = style;
    if (style == vsReport) {
        m_stack->setCurrentWidget(m_report);
        return;
    }
    switch (style) {
    case vsIcon:
        m_icons->setViewMode(QListView::IconMode);
        m_icons->setFlow(QListView::LeftToRight);
        m_icons->setIconSize(QSize(32, 32));
        m_icons->setGridSize(QSize(96, 64));
        m_icons->setWordWrap(true);
        break;
    case vsSmallIcon:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::LeftToRight);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setGridSize(QSize(160, 22));
        m_icons->setWordWrap(false);
        break;
    case vsList:
    case vsReport:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::TopToBottom);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setGridSize(QSize(160, 22));
        m_icons->setWordWrap(false);
        break;
    }
    m_icons->setWrapping(true);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    m_stack->setCurrentWidget(m_icons);
}

void TEntryList::SetExtendedStyles(TExtendedStyles styles)
{
    m_extended = styles;
    m_report->viewport()->update();
}

QAbstractItemView* TEntryList::CurrentView() const
{
    return m_style == vsReport ? static_cast<QAbstractItemView*>(m_report) : static_cast<QAbstractItemView*>(m_icons);
}

QItemSelectionModel* TEntryList::Selection() const
{
    return m_report->selectionModel();
}

int TEntryList::RowCount() const
{
    return m_proxy->rowCount();
}

QString TEntryList::CaptionAt(int viewRow) const
{
    return m_proxy->index(viewRow, 0).data(Qt::DisplayRole).toString();
}

int TEntryList::EngineIndexAt(int viewRow) const
{
    return m_proxy->mapToSource(m_proxy->index(viewRow, 0)).row();
}

int TEntryList::ViewRowOf(int engineIndex) const
{
    return m_proxy->mapFromSource(m_model->index(engineIndex, 0)).row();
}

QList<int> TEntryList::SelectedViewRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : Selection()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TEntryList::SelectAll()
{
    if (RowCount() == 0)
        return;
    QItemSelection all(m_proxy->index(0, 0), m_proxy->index(RowCount() - 1, TEntryRow::ColumnCount - 1));
    Selection()->select(all, QItemSelectionModel::ClearAndSelect);
}

void TEntryList::SelectNone()
{
    Selection()->clearSelection();
}

void TEntryList::InvertSelection()
{
    if (RowCount() == 0)
        return;
    QItemSelection all(m_proxy->index(0, 0), m_proxy->index(RowCount() - 1, TEntryRow::ColumnCount - 1));
    Selection()->select(all, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

int TEntryList::SortColumn() const
{
    return m_report->header()->sortIndicatorSection();
}

bool TEntryList::SortAscending() const
{
    return m_report->header()->sortIndicatorOrder() == Qt::AscendingOrder;
}

void TEntryList::SetSort(int column, bool ascending)
{
    if (column < 0 || column >= TEntryRow::ColumnCount)
        column = 0;
    m_report->sortByColumn(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

QList<int> TEntryList::ColumnSizes() const
{
    QList<int> sizes;
    for (int c = 0; c < TEntryRow::ColumnCount; ++c)
        sizes << m_report->header()->sectionSize(c);
    return sizes;
}

void TEntryList::SetColumnSizes(const QList<int>& sizes)
{
    for (int c = 0; c < sizes.size() && c < TEntryRow::ColumnCount; ++c)
        if (sizes[c] > 0)
            m_report->header()->resizeSection(c, sizes[c]);
}

QList<int> TEntryList::ColumnOrder() const
{
    QList<int> order;
    for (int v = 0; v < TEntryRow::ColumnCount; ++v)
        order << m_report->header()->logicalIndex(v);
    return order;
}

void TEntryList::SetColumnOrder(const QList<int>& order)
{
    // only a permutation of the columns is taken
    QList<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int c = 0; c < TEntryRow::ColumnCount; ++c)
        if (sorted.size() != TEntryRow::ColumnCount || sorted[c] != c)
            return;
    QHeaderView* header = m_report->header();
    for (int v = 0; v < TEntryRow::ColumnCount; ++v)
        header->moveSection(header->visualIndex(order[v]), v);
}

}  // namespace movrel
