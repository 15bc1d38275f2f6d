#include "SelFolder.h"

#include "DialogLook.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace movrel {

TBrowseFolderDlg::TBrowseFolderDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("BrowseFolderDlg"));
    setWindowTitle(QStringLiteral("Select Folder"));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setMinimumWidth(1);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::Drives | QDir::Hidden | QDir::NoDotAndDotDot);
    m_model->setRootPath(QDir::rootPath());  // watches what is shown, so the tree stays current

    PTShellTree1 = new QTreeView(this);
    PTShellTree1->setObjectName(QStringLiteral("PTShellTree1"));
    PTShellTree1->setModel(m_model);
    for (int c = 1; c < m_model->columnCount(); ++c)
        PTShellTree1->hideColumn(c);
    PTShellTree1->header()->hide();
    PTShellTree1->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(PTShellTree1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { DirTree1Change(); });

    OKBtn = new QPushButton(QStringLiteral("&OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(PTShellTree1, 1);
    layout->addLayout(buttons);
    setFixedSize(QSize(329, 303).expandedTo(minimumSizeHint()));
}

bool TBrowseFolderDlg::SetStartFolder(const QString& path)
{
    QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        return false;
    QModelIndex index = m_model->index(info.absoluteFilePath());
    if (!index.isValid())
        return false;
    PTShellTree1->setCurrentIndex(index);
    PTShellTree1->scrollTo(index);
    PTShellTree1->expand(index);
    return true;
}

QString TBrowseFolderDlg::TreePath() const
{
    QModelIndex index = PTShellTree1->currentIndex();
    return index.isValid() ? m_model->filePath(index) : QString();
}

void TBrowseFolderDlg::showEvent(QShowEvent* e)
{
    if (TreePath().isEmpty())
        SetStartFolder(QDir::rootPath());
    QDialog::showEvent(e);
}

void TBrowseFolderDlg::DirTree1Change()
{
    Label1->setText(TreePath());
}

void TBrowseFolderDlg::Button1Click()
{
    SelectedFolder = Label1->text();
    accept();
}

}  // namespace movrel
