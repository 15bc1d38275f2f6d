#include "extrunit.h"

#include "EnterPassw.h"
#include "FolderRules.h"
#include "IniOut.h"
#include "RadioGroup.h"
#include "RecentCombo.h"
#include "SelFolder.h"
#include "Settings.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace movrel {

namespace {

constexpr int kRecentLimit = 25;

}  // namespace

TExtract::TExtract(TEnterPwd* enterPwd, bool extractUseLast, QWidget* parent) : QDialog(parent), m_enterPwd(enterPwd)
{
    setObjectName(QStringLiteral("Extract"));
    setWindowTitle(QStringLiteral("Select Extract Directory"));
    setSizeGripEnabled(true);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(MakeStandardPage(), QStringLiteral("Standard"));
    PageControl1->addTab(MakeAdvancedPage(), QStringLiteral("Advanced"));
    PageControl1->setMinimumSize(370, 328);

    OKBut = new QPushButton(QStringLiteral("OK"), this);
    OKBut->setObjectName(QStringLiteral("OKBut"));
    OKBut->setDefault(true);
    CancelBut = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBut->setObjectName(QStringLiteral("CancelBut"));
    Button1 = new QPushButton(QStringLiteral("Help"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    for (QPushButton* b : {CancelBut, Button1})
        b->setAutoDefault(false);
    connect(OKBut, &QPushButton::clicked, this, [this] { OKButClick(); });
    connect(CancelBut, &QPushButton::clicked, this, [this] { CancelButClick(); });
    connect(Button1, &QPushButton::clicked, this, [this] { emit HelpRequested(100); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBut);
    buttons->addWidget(CancelBut);
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);
    restoreGeometry(ReadBytes("Extract"));

    // the kept values, the tree at the last destination, then the
    // destination the Options dialog asks for
    m_iniOut = new TIniOut(this);
    m_iniOut->SetRegistryRoot(CURRENT_USER);
    m_iniOut->SetItems(ItemLines("Extract"));
    m_iniOut->Load();
    QString last = Edit1->Text();
    if (!MoveTree(last))
        MoveTree(FallbackFolder());
    Edit1->SetText(last);
    if (!extractUseLast) {
        QString dir = ReadString("ExtDir");
        Edit1->SetText(TrimControls(dir).isEmpty() ? FallbackFolder() : dir);
    }
}

TExtract::~TExtract() = default;

QWidget* TExtract::MakeStandardPage()
{
    auto* page = new QWidget;
    auto* label = new QLabel(QStringLiteral("Extract To:"));
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    Edit1 = new TRecentCombo;
    Edit1->setObjectName(QStringLiteral("Edit1"));
    label->setBuddy(Edit1);

    RadioGroup1 = new TRadioGroup(QStringLiteral("Expand ZIP Dirs:"), {QStringLiteral("No"), QStringLiteral("Yes")}, 1);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->SetItemIndex(1);
    RadioGroup2 = new TRadioGroup(QStringLiteral("Overwrite Existing:"),
                                  {QStringLiteral("No"), QStringLiteral("Yes"), QStringLiteral("Prompt")}, 1);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2->SetItemIndex(1);
    RadioGroup3 = new TRadioGroup(QStringLiteral("Files to Extract:"),
                                  {QStringLiteral("All Files"), QStringLiteral("Selected Files")}, 1);
    RadioGroup3->setObjectName(QStringLiteral("RadioGroup3"));
    RadioGroup3->SetItemIndex(0);

    m_dirs = new QFileSystemModel(this);
    m_dirs->setFilter(QDir::AllDirs | QDir::Drives | QDir::Hidden | QDir::NoDotAndDotDot);
    m_dirs->setReadOnly(false);  // a new folder is named in place
    m_dirs->setRootPath(QDir::rootPath());
    PTShellTree1 = new QTreeView;
    PTShellTree1->setObjectName(QStringLiteral("PTShellTree1"));
    PTShellTree1->setModel(m_dirs);
    for (int c = 1; c < m_dirs->columnCount(); ++c)
        PTShellTree1->hideColumn(c);
    PTShellTree1->header()->hide();
    PTShellTree1->setEditTriggers(QAbstractItemView::EditKeyPressed);
    connect(PTShellTree1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { PTShellTree1Change(); });
    // a folder renamed in place: the destination follows it
    connect(m_dirs, &QFileSystemModel::fileRenamed, this, [this] { PTShellTree1Change(); });

    BitBtn1 = new QPushButton(QStringLiteral("New Folder"));
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn4 = new QPushButton(QStringLiteral("Password..."));
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    for (QPushButton* b : {BitBtn1, BitBtn4})
        b->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });

    auto* left = new QVBoxLayout;
    left->addWidget(RadioGroup1);
    left->addWidget(RadioGroup2);
    left->addWidget(RadioGroup3);
    left->addStretch();
    auto* treeButtons = new QHBoxLayout;
    treeButtons->addWidget(BitBtn1);
    treeButtons->addWidget(BitBtn4);
    treeButtons->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(PTShellTree1, 1);
    right->addLayout(treeButtons);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(label);
    layout->addWidget(Edit1);
    layout->addLayout(columns, 1);
    return page;
}

QWidget* TExtract::MakeAdvancedPage()
{
    auto* page = new QWidget;
    CheckBox1 = new QCheckBox(QStringLiteral("Retain Original Attributes"));
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);

    auto* group = new QGroupBox(QStringLiteral("Root Directory:"));
    auto* label = new QLabel(QStringLiteral("Relative Root Directory (Optional):"));
    Edit2 = new QLineEdit;
    Edit2->setObjectName(QStringLiteral("Edit2"));
    label->setBuddy(Edit2);
    LMDDockButton2 = new QPushButton(QStringLiteral("..."));
    LMDDockButton2->setObjectName(QStringLiteral("LMDDockButton2"));
    LMDDockButton2->setAutoDefault(false);
    LMDDockButton2->setMaximumWidth(32);
    connect(LMDDockButton2, &QPushButton::clicked, this, [this] { LMDDockButton2Click(); });
    auto* grid = new QGridLayout(group);
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(Edit2, 1, 0);
    grid->addWidget(LMDDockButton2, 1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(CheckBox1);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QString TExtract::TreeFolder() const
{
    QModelIndex index = PTShellTree1->currentIndex();
    return index.isValid() ? m_dirs->filePath(index) : QString();
}

bool TExtract::MoveTree(const QString& folder)
{
    QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
    QModelIndex index = m_dirs->index(info.absoluteFilePath());
    if (!index.isValid())
        return false;
    PTShellTree1->setCurrentIndex(index);
    PTShellTree1->scrollTo(index);
    return true;
}

bool TExtract::RecreateDirs() const { return RadioGroup1->ItemIndex() == 1; }

TExtract::TOverwrite TExtract::Overwrite() const
{
    switch (RadioGroup2->ItemIndex()) {
    case 0: return TOverwrite::No;
    case 2: return TOverwrite::Prompt;
    default: return TOverwrite::Yes;
    }
}

bool TExtract::AllFiles() const { return RadioGroup3->ItemIndex() != 1; }
bool TExtract::RetainAttributes() const { return CheckBox1->isChecked(); }
QString TExtract::RootDir() const { return Edit2->text(); }

void TExtract::PTShellTree1Change()
{
    Edit1->SetText(TreeFolder());
}

bool TExtract::BitBtn1Click()
{
    QString parent = TreeFolder();
    if (parent.isEmpty())
        return false;
    QDir dir(parent);
    QString name = QStringLiteral("New Folder");
    for (int n = 2; dir.exists(name); ++n)
        name = QStringLiteral("New Folder (%1)").arg(n);
    QModelIndex made = m_dirs->mkdir(m_dirs->index(parent), name);
    if (!made.isValid())
        return false;  // the tree shows nothing new; the folder was not made
    PTShellTree1->expand(m_dirs->index(parent));
    PTShellTree1->setCurrentIndex(made);
    PTShellTree1->scrollTo(made);
    PTShellTree1->edit(made);
    return true;
}

void TExtract::BitBtn4Click()
{
    if (!m_enterPwd || m_enterPwd->exec() != QDialog::Accepted)
        return;
    if (OnPassword)
        OnPassword(m_enterPwd->Edit1->text());
}

void TExtract::LMDDockButton2Click()
{
    TBrowseFolderDlg chooser(this);
    chooser.SetStartFolder(Edit2->text());
    if (chooser.exec() == QDialog::Accepted)
        Edit2->setText(chooser.SelectedFolder);
}

void TExtract::UpdateRecentFolders(QStringList& list, const QString& folder)
{
    if (list.size() > kRecentLimit)
        list.removeAt(kRecentLimit);
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].compare(folder, Qt::CaseInsensitive) == 0) {
            list.move(i, 0);
            return;
        }
    list.prepend(folder);
}

void TExtract::OKButClick()
{
    Confirmed = true;
    Destination = Edit1->Text();
    QStringList recent = Edit1->Items();
    UpdateRecentFolders(recent, Destination);
    Edit1->SetItems(recent);
    m_iniOut->Save();
    WriteBytes("Extract", saveGeometry());
    accept();
}

void TExtract::CancelButClick()
{
    m_iniOut->Save();
    reject();
}

void TExtract::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // laid out only now: the tree's folder is brought into view again
    PTShellTree1->scrollTo(PTShellTree1->currentIndex(), QAbstractItemView::PositionAtCenter);
}

void TExtract::reject()
{
    Destination.clear();
    QDialog::reject();
}

bool TExtract::event(QEvent* e)
{
    // an activation that arrives after the dialog closed is not a new showing
    if (e->type() == QEvent::WindowActivate && isVisible())
        Confirmed = false;
    return QDialog::event(e);
}

void TExtract::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        CancelButClick();
        return;
    }
    if (e->key() == Qt::Key_Insert && e->modifiers() == Qt::NoModifier) {
        BitBtn1Click();
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace movrel
