// The main window's commands of this stage: Open, ZIP Information, the view
// styles, the font, View Toolbar, About, and the plain message for commands
// that are not built yet. Engine failures are shown as messages.
#include "mainunit.h"

#include "EnterPassw.h"
#include "EntryList.h"
#include "IncZip.h"
#include "Info.h"
#include "Settings.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolBar>

namespace movrel {

void TMainform::Guarded(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    }
}

void TMainform::ShowError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Movrel"), text, QMessageBox::Ok, this);
    box.exec();
}

void TMainform::NotAvailable(const QString& caption)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Movrel"),
                    "\"" + caption + "\" is not available yet in this version of Movrel.", QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("NotAvailableBox"));
    box.exec();
}

void TMainform::OpenClick()
{
    QString initial = ReadString("InitDir");
    QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Edit translations"), initial,
                                                QtFileFilter(QStringLiteral("ZIP Files (*.ZIP)|*.ZIP|SFX Files (*.EXE)|*.EXE")));
    if (name.isEmpty())
        return;
    CurrentArchive = name;
    KestroZip1.Password.clear();
    EnterPwd->Edit1->clear();
    OpenIT();
    QString folder = QFileInfo(name).absolutePath();
    WriteString("InitDir", folder.endsWith('/') ? folder : folder + '/');
}

void TMainform::ZipInformationClick()
{
    int64_t packed = 0, size = 0;
    bool encrypted = false;
    int count = KestroZip1.EntryCount();
    for (int i = 0; i < count; ++i) {
        packed += KestroZip1.EntryCompressedSize(i);
        size += KestroZip1.EntryUncompressedSize(i);
        encrypted = encrypted || KestroZip1.EntryEncrypted(i);
    }
    TInfoForm info(this);
    info.Fill(CurrentArchive, packed, size, count, EnginePackLevel(KestroZip1), encrypted);
    info.exec();
}

void TMainform::SetViewStyleClick(int style)
{
    LMDListBox1->SetViewStyle(TEntryList::TViewStyle(style));
    QAction* marks[] = {A.LargeIcons1, A.SmallIcons1, A.List1, A.Details1};
    marks[style]->setChecked(true);
}

void TMainform::FontClick()
{
    QFontDialog dialog(LMDListBox1->font(), this);
    dialog.setObjectName(QStringLiteral("FontDialog1"));
    dialog.setWindowTitle(QStringLiteral("Font"));
    if (dialog.exec() == QDialog::Accepted)
        LMDListBox1->setFont(dialog.selectedFont());
}

void TMainform::ViewToolbarClick(bool checked)
{
    Toolbar971->setVisible(checked);
    WriteBool("ShowToolbars", checked);
}

void TMainform::AboutClick()
{
    QMessageBox::about(this, QStringLiteral("About Movrel"),
                       QStringLiteral("<b>Movrel</b><p>Movrel, compression technology you can use.</p><p>Version 4</p>"));
}

void TMainform::KestroZip1InCompleteZip(TIncompleteZipMode& mode)
{
    TIncompleteZipDlg dialog(this);
    mode = dialog.exec() == QDialog::Accepted ? izAssumeBad : izAssumeMulti;
}

}  // namespace movrel
