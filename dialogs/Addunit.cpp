#include "Addunit.h"

#include "DesktopOpen.h"
#include "EnterPassw.h"
#include "FolderRules.h"
#include "IniOut.h"
#include "RadioGroup.h"
#include "SelFolder.h"
#include "Settings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace movrel {

namespace {

// The mask as name filters of the file list: "*.*" names every file, as
// the original platform's searches do (a name without a dot included).
QStringList MaskFilters(const QString& mask)
{
    QStringList filters;
    for (QString part : mask.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts))
        filters << (part == QLatin1String("*.*") ? QStringLiteral("*") : part);
    if (filters.isEmpty())
        filters << QStringLiteral("*");
    return filters;
}

}  // namespace

TAddForm::TAddForm(TEnterPwd* enterPwd, bool addUseLast, QWidget* parent) : QDialog(parent), m_enterPwd(enterPwd)
{
    setObjectName(QStringLiteral("AddForm"));
    setWindowTitle(QStringLiteral("Add Files"));
    setSizeGripEnabled(true);
    setMinimumSize(595, 450);
    setAcceptDrops(true);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(MakeStandardPage(), QStringLiteral("Standard"));
    PageControl1->addTab(MakeAdvancedPage(), QStringLiteral("Advanced"));

    OKBut = new QPushButton(QStringLiteral("&Add"), this);
    OKBut->setObjectName(QStringLiteral("OKBut"));
    OKBut->setDefault(true);
    CancelBut = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBut->setObjectName(QStringLiteral("CancelBut"));
    ButtonHelp = new QPushButton(QStringLiteral("Help"), this);
    ButtonHelp->setObjectName(QStringLiteral("ButtonHelp"));
    for (QPushButton* b : {CancelBut, ButtonHelp})
        b->setAutoDefault(false);
    connect(OKBut, &QPushButton::clicked, this, [this] { OKButClick(); });
    connect(CancelBut, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonHelp, &QPushButton::clicked, this, [this] { emit HelpRequested(110); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBut);
    buttons->addWidget(CancelBut);
    buttons->addWidget(ButtonHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);
    resize(minimumSize());

    // the options, then the starting folder
    m_iniOut = new TIniOut(this);
    m_iniOut->SetRegistryRoot(LOCAL_MACHINE);
    m_iniOut->SetItems(ItemLines("AddForm"));
    m_iniOut->Load();
    MoveTree(FallbackFolder());
    if (addUseLast) {
        MoveTree(ReadString("LastAddDir"));
    } else {
        QString dir = ReadString("AddDir");
        MoveTree(TrimControls(dir).isEmpty() ? FallbackFolder() : dir);
    }
}

TAddForm::~TAddForm() = default;

QWidget* TAddForm::MakeStandardPage()
{
    auto* page = new QWidget;

    m_dirs = new QFileSystemModel(this);
    m_dirs->setFilter(QDir::AllDirs | QDir::Drives | QDir::Hidden | QDir::NoDotAndDotDot);
    m_dirs->setRootPath(QDir::rootPath());  // watches what it shows
    DirTree1 = new QTreeView;
    DirTree1->setObjectName(QStringLiteral("DirTree1"));
    DirTree1->setModel(m_dirs);
    for (int c = 1; c < m_dirs->columnCount(); ++c)
        DirTree1->hideColumn(c);
    DirTree1->header()->hide();
    connect(DirTree1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { DirTree1Change(); });

    Edit2 = new QLineEdit(QStringLiteral("*.*"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    connect(Edit2, &QLineEdit::returnPressed, this, [this] { Edit2KeyDown(); });
    SelectAllBut = new QPushButton(QStringLiteral("Select All Files"));
    SelectAllBut->setObjectName(QStringLiteral("SelectAllBut"));
    connect(SelectAllBut, &QPushButton::clicked, this, [this] { AddDirButClick(); });

    m_files = new QFileSystemModel(this);
    m_files->setFilter(QDir::Files | QDir::Hidden | QDir::System);  // the tree shows the folders
    m_files->setNameFilterDisables(false);
    m_files->setReadOnly(false);  // names can be changed in place
    FileListBox1 = new QTreeView;
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setModel(m_files);
    FileListBox1->setRootIsDecorated(false);
    FileListBox1->setItemsExpandable(false);
    FileListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FileListBox1->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);

    auto* maskRow = new QHBoxLayout;
    maskRow->addWidget(Edit2, 1);
    maskRow->addWidget(SelectAllBut);
    auto* filesPane = new QWidget;
    auto* filesLayout = new QVBoxLayout(filesPane);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->addLayout(maskRow);
    filesLayout->addWidget(FileListBox1, 1);

    auto* upper = new QSplitter(Qt::Horizontal);
    upper->setObjectName(QStringLiteral("Splitter2"));
    upper->addWidget(DirTree1);
    upper->addWidget(filesPane);
    upper->setStretchFactor(0, 35);
    upper->setStretchFactor(1, 65);
    upper->setSizes({35, 65});

    auto makeButton = [](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    BitBtn6 = makeButton("BitBtn6", QStringLiteral("Add &Wildcard"));
    AddDirBut = makeButton("AddDirBut", QStringLiteral("Add Folder"));
    AddFileBut = makeButton("AddFileBut", QStringLiteral("Add Files"));
    QFont bold = AddFileBut->font();
    bold.setBold(true);
    AddFileBut->setFont(bold);
    RemoveBut = makeButton("RemoveBut", QStringLiteral("Remove"));
    SortBut = makeButton("SortBut", QStringLiteral("Sort"));
    SortBut->setCheckable(true);
    Button1 = makeButton("Button1", QStringLiteral("Password..."));
    connect(BitBtn6, &QPushButton::clicked, this, [this] { BitBtn6Click(); });
    connect(AddDirBut, &QPushButton::clicked, this, [this] { AddDirButClick(); });
    connect(AddFileBut, &QPushButton::clicked, this, [this] { AddFileButClick(); });
    connect(RemoveBut, &QPushButton::clicked, this, [this] { RemoveButClick(); });
    connect(SortBut, &QPushButton::toggled, this, [this](bool down) { SortButClick(down); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    SelectedList = new QListWidget;
    SelectedList->setObjectName(QStringLiteral("SelectedList"));
    SelectedList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(SelectedList, &QListWidget::itemDoubleClicked, this, [this] { SelectedListDblClick(); });
    auto* execute = new QAction(QStringLiteral("&Execute"), SelectedList);
    execute->setObjectName(QStringLiteral("Execute1"));
    execute->setShortcut(QKeySequence(Qt::Key_F9));
    execute->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(execute, &QAction::triggered, this, [this] { SelectedListDblClick(); });
    SelectedList->addAction(execute);
    SelectedList->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* tools = new QHBoxLayout;
    for (QPushButton* b : {BitBtn6, AddDirBut, AddFileBut, RemoveBut, SortBut})
        tools->addWidget(b);
    tools->addStretch();
    tools->addWidget(Button1);
    auto* lower = new QWidget;
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addLayout(tools);
    lowerLayout->addWidget(SelectedList, 1);

    auto* split = new QSplitter(Qt::Vertical);
    split->setObjectName(QStringLiteral("Splitter1"));
    split->addWidget(upper);
    split->addWidget(lower);
    split->setStretchFactor(0, 51);
    split->setStretchFactor(1, 49);
    split->setSizes({51, 49});

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(split);
    return page;
}

QWidget* TAddForm::MakeAdvancedPage()
{
    auto* page = new QWidget;

    auto* levelLabel = new QLabel(QStringLiteral("Compression Level 1-9 (1 is the fastest):"));
    LMDSpinEdit1 = new QSpinBox;
    LMDSpinEdit1->setObjectName(QStringLiteral("LMDSpinEdit1"));
    LMDSpinEdit1->setRange(1, 9);
    LMDSpinEdit1->setValue(6);
    if (auto* edit = LMDSpinEdit1->findChild<QLineEdit*>())
        edit->setReadOnly(true);  // only the arrows change it
    levelLabel->setBuddy(LMDSpinEdit1);

    CheckBox1 = new QCheckBox(QStringLiteral("Store as DOS 8.3 filenames (short)"));
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));

    RadioGroup1 = new TRadioGroup(QStringLiteral("Existing Components:"),
                                  {QStringLiteral("Replace"), QStringLiteral("Update"), QStringLiteral("Freshen")}, 3);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->SetItemIndex(1);

    auto* rootGroup = new QGroupBox(QStringLiteral("Root Directory for wildcards (masks) without pathname:"));
    Edit1 = new QLineEdit;
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Button2 = new QPushButton(QStringLiteral("..."));
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    Button2->setMaximumWidth(32);
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    auto* rootRow = new QHBoxLayout(rootGroup);
    rootRow->addWidget(Edit1, 1);
    rootRow->addWidget(Button2);

    auto* options = new QGroupBox(QStringLiteral("Add Options:"));
    DirNameCB = new QCheckBox(QStringLiteral("Save Folder Information"));
    DirNameCB->setObjectName(QStringLiteral("DirNameCB"));
    Recurse = new QCheckBox(QStringLiteral("Recurse Folders"));
    Recurse->setObjectName(QStringLiteral("Recurse"));
    CheckBox2 = new QCheckBox(QStringLiteral("Save Volume Information"));
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->addWidget(DirNameCB);
    optionsLayout->addWidget(Recurse);
    optionsLayout->addWidget(CheckBox2);

    auto* levelRow = new QHBoxLayout;
    levelRow->addWidget(levelLabel);
    levelRow->addWidget(LMDSpinEdit1);
    levelRow->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(levelRow);
    layout->addWidget(CheckBox1);
    layout->addWidget(RadioGroup1);
    layout->addWidget(rootGroup);
    layout->addWidget(options);
    layout->addStretch();
    return page;
}

QString TAddForm::AppendSlash(const QString& s)
{
    if (s.isEmpty() || s.endsWith('/'))
        return s;
    return s + '/';
}

QString TAddForm::CurrentFolder() const
{
    QModelIndex index = DirTree1->currentIndex();
    return index.isValid() ? m_dirs->filePath(index) : QString();
}

bool TAddForm::MoveTree(const QString& folder)
{
    QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
    QModelIndex index = m_dirs->index(info.absoluteFilePath());
    if (!index.isValid())
        return false;
    DirTree1->setCurrentIndex(index);
    DirTree1->scrollTo(index);
    DirTree1->expand(index);
    return true;
}

void TAddForm::DirTree1Change()
{
    QString folder = CurrentFolder();
    m_files->setRootPath(folder);
    FileListBox1->setRootIndex(m_files->index(folder));
}

bool TAddForm::AddEntry(const QString& entry)
{
    for (int i = 0; i < SelectedList->count(); ++i)
        if (SelectedList->item(i)->text().compare(entry, Qt::CaseInsensitive) == 0)
            return false;
    int at = SelectedList->count();
    if (SortBut->isChecked()) {
        at = 0;
        while (at < SelectedList->count() &&
               SelectedList->item(at)->text().compare(entry, Qt::CaseInsensitive) <= 0)
            ++at;
    }
    SelectedList->insertItem(at, entry);
    return true;
}

QStringList TAddForm::Entries() const
{
    QStringList out;
    for (int i = 0; i < SelectedList->count(); ++i)
        out << SelectedList->item(i)->text();
    return out;
}

void TAddForm::ClearEntries()
{
    SelectedList->clear();
}

void TAddForm::ScrollToEnd()
{
    if (SelectedList->count() > 0)
        SelectedList->scrollToItem(SelectedList->item(SelectedList->count() - 1));
}

void TAddForm::Edit2KeyDown()
{
    m_files->setNameFilters(MaskFilters(Edit2->text()));
}

void TAddForm::AddDirButClick()
{
    AddEntry(AppendSlash(CurrentFolder()) + "*.*");
    ScrollToEnd();
}

void TAddForm::AddFileButClick()
{
    QModelIndexList rows = FileListBox1->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QString folder = AppendSlash(CurrentFolder());
    for (const QModelIndex& index : rows) {
        QString path = folder + m_files->fileName(index);
        QFileInfo info(path);
        AddEntry(info.exists() && !info.isDir() ? path : AppendSlash(path) + "*.*");
    }
    ScrollToEnd();
}

void TAddForm::BitBtn6Click()
{
    QString folder = AppendSlash(CurrentFolder());
    QInputDialog box(this);
    box.setObjectName(QStringLiteral("WildcardBox"));
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(QStringLiteral("Add Wildcard (for example *.exe)"));
    box.setLabelText(folder);
    box.setTextValue(QString());
    if (auto* edit = box.findChild<QLineEdit*>())
        edit->setMaxLength(255);
    if (box.exec() != QDialog::Accepted)
        return;
    QString mask = box.textValue();
    if (!mask.contains('.'))
        return;
    AddEntry(folder + mask);
    ScrollToEnd();
}

void TAddForm::RemoveButClick()
{
    int row = SelectedList->currentRow();
    if (row < 0 || row >= SelectedList->count())
        return;
    delete SelectedList->takeItem(row);
    if (SelectedList->count() > 0) {
        int at = std::min(row, SelectedList->count() - 1);
        SelectedList->selectionModel()->setCurrentIndex(SelectedList->model()->index(at, 0),
                                                        QItemSelectionModel::NoUpdate);
    }
    SelectedList->setFocus();
}

void TAddForm::SortButClick(bool down)
{
    if (!down)
        return;  // the entries keep their order; new ones are appended again
    QStringList entries = Entries();
    std::stable_sort(entries.begin(), entries.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    SelectedList->clear();
    SelectedList->addItems(entries);
}

void TAddForm::Button1Click()
{
    if (!m_enterPwd || m_enterPwd->exec() != QDialog::Accepted)
        return;
    if (OnPassword)
        OnPassword(m_enterPwd->Edit1->text());
}

void TAddForm::SelectedListDblClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (int i = 0; i < SelectedList->count(); ++i)
        if (SelectedList->item(i)->isSelected())
            OpenWithDesktop(SelectedList->item(i)->text());  // failures are not reported
    QApplication::restoreOverrideCursor();
}

void TAddForm::Button2Click()
{
    QString text = Edit1->text();
    qsizetype cut = std::max(text.lastIndexOf('/'), text.lastIndexOf(':'));
    TBrowseFolderDlg chooser(this);
    chooser.SetStartFolder(text.left(cut + 1));
    if (chooser.exec() == QDialog::Accepted)
        Edit1->setText(chooser.SelectedFolder);
}

void TAddForm::OKButClick()
{
    m_iniOut->Save();
    WriteString("LastAddDir", CurrentFolder());
    if (focusWidget() == Edit2) {
        Edit2KeyDown();
        return;
    }
    Confirmed = true;
    accept();
}

void TAddForm::AddDroppedPaths(const QStringList& paths)
{
    for (const QString& path : paths) {
        QFileInfo info(path);
        AddEntry(info.exists() && !info.isDir() ? path : AppendSlash(path) + "*.*");
    }
}

void TAddForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // laid out only now: the tree's folder is brought into view again
    DirTree1->scrollTo(DirTree1->currentIndex(), QAbstractItemView::PositionAtCenter);
}

void TAddForm::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void TAddForm::dropEvent(QDropEvent* e)
{
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    AddDroppedPaths(paths);
    e->acceptProposedAction();
}

}  // namespace movrel
