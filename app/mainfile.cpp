// The commands that act on the archive file as a whole: New, Save As, Copy,
// Move and Delete ZIP File, Fix ZIP, ZIP Comment, View Last Output and
// Options. Copies are made with the standard library (FileCopy.h); a
// deleted archive goes to the desktop's trash.
#include "mainunit.h"

#include "Comment.h"
#include "EnterPassw.h"
#include "EntryList.h"
#include "EntryModel.h"
#include "FileCopy.h"
#include "FileDialogState.h"
#include "IniOut.h"
#include "OptFrm.h"
#include "RecentDocs.h"
#include "RecentList.h"
#include "SelFolder.h"
#include "Settings.h"
#include "StatusPanes.h"
#include "msgunit.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace movrel {

namespace {

QString FolderWithSlash(const QString& path)
{
    QString folder = QFileInfo(path).absolutePath();
    return folder.endsWith('/') ? folder : folder + '/';
}

}  // namespace

void TMainform::NewClick()
{
    QFileDialog dialog(this, QStringLiteral("Create New ZIP File"), NewDialog->InitialDir(),
                       QtFileFilter(QStringLiteral("ZIP Files (*.ZIP)|*.zip")));
    dialog.setObjectName(QStringLiteral("NewDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);  // a name that does not exist yet
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString name = dialog.selectedFiles().first();
    NewDialog->SetInitialDir(FolderWithSlash(name));
    if (!name.toLower().contains(QLatin1String(".zip")))
        name += QLatin1String(".zip");
    if (QFileInfo::exists(name)) {
        QMessageBox ask(QMessageBox::Question, QStringLiteral("Confirm"), "Overwrite Existing File: " + name + "?",
                        QMessageBox::Yes | QMessageBox::No, this);
        if (ask.exec() != QMessageBox::Yes)
            return;
        QFile::remove(name);
    }

    // The engine lets go of the archive it held, so that nothing of it is
    // listed, counted or extracted under the new name.
    KestroZip1.SetZipName(std::string());
    KestroZip1.ClearDirectory();
    LMDListBox1->Model()->Clear();
    StatusBar1->ShowCommentIndicator(false);
    CurrentArchive = name;
    if (AddDocs2StartMenu)
        AddRecentDocument(name);
    ChangeAll(true);
    SetCaption("Movrel - [" + name + "]");
    KestroZip1.Password.clear();
    EnterPwd->Edit1->clear();
    UpdateRecent(m_recent, name);
    WriteRecent();
    ShowRecentItems();
    CalcTotSize();
}

void TMainform::SaveAsClick()
{
    QFileDialog dialog(this, QStringLiteral("Edit translations"), SaveDialog1->InitialDir(),
                       QtFileFilter(QStringLiteral("Zip Files|*.ZIP")));
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);  // asks before replacing a file
    dialog.setDefaultSuffix(QStringLiteral("zip"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString target = dialog.selectedFiles().first();
    SaveDialog1->SetInitialDir(FolderWithSlash(target));
    CopyArchiveTo(target, false);
    CurrentArchive = target;
    OpenIT();  // a copy that did not happen: OpenIT asks whether to create it
}

bool TMainform::CopyArchiveTo(const QString& target, bool askReplace)
{
    if (IsSameFile(CurrentArchive, target))
        return true;
    if (askReplace && QFileInfo::exists(target)) {
        QMessageBox ask(QMessageBox::Question, QStringLiteral("Confirm File Replace"),
                        "This folder already contains a file named " + QFileInfo(target).fileName() +
                            ".\nReplace it with the archive?",
                        QMessageBox::Yes | QMessageBox::No, this);
        ask.setObjectName(QStringLiteral("ConfirmFileReplace"));
        if (ask.exec() != QMessageBox::Yes)
            return false;
    }
    QString failure = CopyFileReplacing(CurrentArchive, target);
    if (failure.isEmpty())
        return true;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error Copying File"),
                    "Cannot copy " + CurrentArchive + " to " + target + ": " + failure, QMessageBox::Ok, this);
    box.exec();
    return false;
}

QString TMainform::ChooseFolderForCopy()
{
    TBrowseFolderDlg chooser(this);
    chooser.SetStartFolder(SaveDialog1->InitialDir());
    if (chooser.exec() != QDialog::Accepted || chooser.SelectedFolder.isEmpty())
        return {};
    QString folder = chooser.SelectedFolder;
    SaveDialog1->SetInitialDir(folder.endsWith('/') ? folder : folder + '/');
    return SaveDialog1->InitialDir();
}

void TMainform::CopyZipFileClick()
{
    QString folder = ChooseFolderForCopy();
    if (folder.isEmpty())
        return;
    CopyArchiveTo(folder + QFileInfo(CurrentArchive).fileName(), true);
}

void TMainform::MoveZipFileClick()
{
    QString folder = ChooseFolderForCopy();
    if (folder.isEmpty())
        return;
    QString target = folder + QFileInfo(CurrentArchive).fileName();
    CopyArchiveTo(target, true);
    CurrentArchive = target;  // the file in its former folder stays
    OpenIT();
}

void TMainform::DeleteZipFileClick()
{
    QMessageBox ask(QMessageBox::Question, QStringLiteral("Confirm Delete"),
                    "Do you wish to delete " + CurrentArchive + "?",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    if (ask.exec() != QMessageBox::Yes)
        return;
    StatusBar1->SizePane->setText(QStringLiteral("Total Unzipped Size:"));
    ChangeAll(false);
    LMDListBox1->Model()->Clear();
    StatusBar1->ShowCommentIndicator(false);
    SetCaption(QStringLiteral("Movrel"));
    {
        TEngineRun run(*this);
        KestroZip1.SetZipName(std::string());  // a pending comment is written first
        KestroZip1.ClearDirectory();
    }
    QFile::moveToTrash(CurrentArchive);  // a file that cannot go stays, without a message
}

void TMainform::FixZipClick()
{
    TBusyCursor busy;
    {
        TEngineRun run(*this);
        try {
            KestroZip1.RepairArchive();
        } catch (const std::exception& e) {
            ShowError(QString::fromUtf8(e.what()));
        }
    }
    OpenIT();
}

void TMainform::ZipCommentClick()
{
    TCommentEditor editor(this);
    if (!KestroZip1.ZipName().empty()) {
        editor.CommentMemo->clear();
        editor.setWindowTitle("Editing Zip Comment for " +
                              QFileInfo(QString::fromStdString(KestroZip1.ZipName())).fileName());
        if (KestroZip1.HasArchiveComment())
            editor.CommentMemo->setPlainText(QString::fromStdString(KestroZip1.ArchiveComment()));
        // Compared with the text as shown, so that a comment left alone is
        // not rewritten (the editor keeps line ends its own way).
        QString shown = editor.CommentMemo->toPlainText();
        if (editor.exec() == QDialog::Accepted && editor.CommentMemo->toPlainText() != shown)
            KestroZip1.SetArchiveComment(editor.CommentMemo->toPlainText().toStdString());
    }
    {
        TEngineRun run(*this);
        KestroZip1.SaveModifiedArchive();
    }
    ShowCommentIndicator();
}

void TMainform::ViewLastOutputClick()
{
    Msgform->ViewLastOutput(this);
}

void TMainform::OptionsClick(int page)
{
    OptionsForm->PageControl1->setCurrentIndex(page);
    if (OptionsForm->exec() != QDialog::Accepted)
        return;
    ExpDir = ReadString("ExpDir");
    ShowOutput = ReadBool("ShowOutput").value_or(ShowOutput);
    AddDocs2StartMenu = ReadBool("AddDocs2StartMenu").value_or(AddDocs2StartMenu);
    IniOut1->Save();
    // The list's columns and sort as they are now, so that reloading the
    // settings does not take them back to those of the last exit.
    WriteInts("Sizes", LMDListBox1->ColumnSizes());
    WriteInts("Order", LMDListBox1->ColumnOrder());
    WriteBool("Ascending", LMDListBox1->SortAscending());
    WriteInteger("SortCol", LMDListBox1->SortColumn());
    LoadSettings();
}

}  // namespace movrel
