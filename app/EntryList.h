// TEntryList (LMDListBox1): the main window's list of archive entries, a
// multi-selection list with four view styles over one model and one
// selection: report (a QTreeView with sortable, movable columns) and icon,
// small-icon and list (a QListView). Its persisted properties are
// ViewStyle, ExtendedStyles and the font.
#pragma once

#include <QFlags>
#include <QList>
#include <QVariant>
#include <QWidget>

class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QStackedWidget;
class QTreeView;

namespace movrel {

class TEntryModel;
class TEntrySortProxy;

class TEntryList : public QWidget {
    Q_OBJECT
public:
    enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
    Q_ENUM(TViewStyle)

    // The list's extended styles, as the Options dialog sets them.
    enum TExtendedStyle {
        lvxGridLines = 0x1,
        lvxSubItemImages = 0x2,
        lvxCheckboxes = 0x4,
        lvxTrackSelect = 0x8,
        lvxHeaderDragDrop = 0x10,
        lvxFullRowSelect = 0x20,
        lvxOneClickActivate = 0x40,
        lvxTwoClickActivate = 0x80,
        lvxFlatScrollBar = 0x100,
        lvxInfoTip = 0x200,
        lvxUnderlineHot = 0x400,
        lvxUnderlineCold = 0x800,
    };
    Q_DECLARE_FLAGS(TExtendedStyles, TExtendedStyle)
    Q_FLAG(TExtendedStyles)

private:
    Q_PROPERTY(TViewStyle ViewStyle READ ViewStyle WRITE SetViewStyle)
    Q_PROPERTY(TExtendedStyles ExtendedStyles READ ExtendedStyles WRITE SetExtendedStyles)
    // The column collection has no persisted properties: its text is empty.
    Q_PROPERTY(QVariant Columns READ Columns)

public:
    explicit TEntryList(QWidget* parent = nullptr);

    TViewStyle ViewStyle() const { return m_style; }
    void SetViewStyle(TViewStyle style);
    TExtendedStyles ExtendedStyles() const { return m_extended; }
    void SetExtendedStyles(TExtendedStyles styles);
    QVariant Columns() const { return {}; }

    TEntryModel* Model() const { return m_model; }
    TEntrySortProxy* Proxy() const { return m_proxy; }
    QTreeView* ReportView() const { return m_report; }
    QListView* IconView() const { return m_icons; }
    QAbstractItemView* CurrentView() const;
    QItemSelectionModel* Selection() const;

    int RowCount() const;
    // The caption of the row shown at place viewRow (list order).
    QString CaptionAt(int viewRow) const;
    // The engine index of the row shown at place viewRow.
    int EngineIndexAt(int viewRow) const;
    // The place of the row of engine index i, -1 when there is none.
    int ViewRowOf(int engineIndex) const;
    // Places of the selected rows, in list order.
    QList<int> SelectedViewRows() const;

    void SelectAll();
    void SelectNone();
    void InvertSelection();

    int SortColumn() const;
    bool SortAscending() const;
    void SetSort(int column, bool ascending);
    // Widths of the columns by column, and the columns in the order shown.
    QList<int> ColumnSizes() const;
    void SetColumnSizes(const QList<int>& sizes);
    QList<int> ColumnOrder() const;
    void SetColumnOrder(const QList<int>& order);

signals:
    // A row was double-clicked (engine index).
    void RowActivated(int engineIndex);
    // The context menu was asked for at a global position.
    void ContextMenuAt(const QPoint& globalPos);

private:
    TViewStyle m_style = vsReport;
    TExtendedStyles m_extended;
    TEntryModel* m_model;
    TEntrySortProxy* m_proxy;
    QStackedWidget* m_stack;
    QTreeView* m_report;
    QListView* m_icons;
};

}  // namespace movrel

Q_DECLARE_OPERATORS_FOR_FLAGS(movrel::TEntryList::TExtendedStyles)
