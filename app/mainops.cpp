// The main window's three archive operations: Add (AddButClick), Extract
// (ExtractButClick) and Remove (DeleteButClick), and the one guard every
// engine operation runs under: while the engine works it lets window
// messages through between buffers, so the commands that would start a
// second operation or change the archive are disabled until it ends.
#include "mainunit.h"

#include "Addunit.h"
#include "EngineErrors.h"
#include "EntryList.h"
#include "FolderRules.h"
#include "RadioGroup.h"
#include "StatusPanes.h"
#include "extrunit.h"
#include "msgunit.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMessageBox>
#include <QSpinBox>
#include <QTimer>
#include <QCheckBox>
#include <QLineEdit>

namespace movrel {

void TMainform::BeginEngine()
{
    if (m_engineDepth++ > 0)
        return;
    KestroZip1.CancelRequested = false;  // a Cancel pressed while nothing ran is no answer to this one
    UpdateEnabled(TEnableEvent::EngineStarted);
}

void TMainform::EndEngine()
{
    if (--m_engineDepth > 0)
        return;
    UpdateEnabled(TEnableEvent::EngineFinished);
    if (m_closeWhenIdle) {
        m_closeWhenIdle = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

void TMainform::MessageBoxText(const QString& text, bool error)
{
    QWidget* owner = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Information, QStringLiteral("Movrel"), text,
                    QMessageBox::Ok, owner);
    ExecNormalCursor(box);
}

QStringList TMainform::SelectedEntryNames() const
{
    // the stored folder and name of each selected row, in list order (the
    // engine's own name: the row's Path column and its caption without the mark)
    QStringList names;
    for (int row : LMDListBox1->SelectedViewRows()) {
        int i = LMDListBox1->EngineIndexAt(row);
        if (i >= 0 && i < KestroZip1.EntryCount())
            names << QString::fromStdString(KestroZip1.EntryPath(i) + KestroZip1.EntryFileName(i));
    }
    return names;
}

void TMainform::AddButClick()
{
    KestroZip1.FilesList.clear();
    if (CurrentArchive.isEmpty()) {
        MessageBoxText(QStringLiteral("Error - open a zip file first"), true);
        return;
    }
    AddForm->Confirmed = false;
    if (!QDir::setCurrent(AddForm->CurrentFolder()))
        AddForm->MoveTree(FallbackFolder());
    AddForm->exec();
    if (!AddForm->Confirmed)
        return;

    KestroZip1.PackLevel = AddForm->LMDSpinEdit1->value();
    KestroZip1.SetRootDir(AddForm->Edit1->text().toStdString());
    KestroZip1.SetStoreVolumes(AddForm->CheckBox2->isChecked());
    KestroZip1.Store83Names = AddForm->CheckBox1->isChecked();
    const TZipAction actions[] = {zaReplace, zaUpdate, zaFreshen};
    KestroZip1.ZipAction = actions[std::clamp(AddForm->RadioGroup1->ItemIndex(), 0, 2)];
    QStringList entries = AddForm->Entries();
    if (entries.isEmpty()) {
        MessageBoxText(QStringLiteral("No files selected"), true);
        return;
    }
    if (ShowOutput)
        Msgform->OpenForOperation(this);

    int added = 0;
    QString failure;
    {
        TBusyCursor busy;
        TEngineRun run(*this);
        try {
            KestroZip1.SetZipName(CurrentArchive.toStdString());
            KestroZip1.FilesList.clear();
            for (const QString& e : entries)
                KestroZip1.FilesList.push_back(e.toStdString());
            KestroZip1.SetStorePaths(AddForm->DirNameCB->isChecked());
            KestroZip1.Recurse = AddForm->Recurse->isChecked();
            added = KestroZip1.AddFiles();
        } catch (const EIncompleteZip&) {
            added = 0;
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    ShowProgress(false);
    if (failure.isEmpty()) {
        Msgform->Finish(QStringLiteral("Finished adding files"), ShowOutput);
        if (!ShowOutput)
            MessageBoxText(QString::number(added) + (added == 1 ? " file was added" : " files were added"), false);
    }
    CalcTotSize();
    AddForm->ClearEntries();
    OpenIT();
    if (!failure.isEmpty())
        ShowError(failure);
}

void TMainform::ExtractButClick()
{
    KestroZip1.SetZipName(CurrentArchive.toStdString());
    KestroZip1.FilesList.clear();
    if (!QFileInfo(CurrentArchive).isFile()) {
        MessageBoxText("Error: file not found: " + CurrentArchive, true);
        return;
    }
    if (!QDir::setCurrent(Extract->TreeFolder()))
        Extract->MoveTree(FallbackFolder());
    Extract->Confirmed = false;
    Extract->exec();
    if (!Extract->Confirmed || Extract->Destination.isEmpty())
        return;

    KestroZip1.RetainAttributes = Extract->RetainAttributes();
    // The relative root names stored folders: "/" as typed or chosen
    // becomes the stored "\", and a leading separator goes (stored
    // folders never begin with one).
    QString root = Extract->RootDir().replace('/', '\\');
    while (root.startsWith('\\'))
        root.remove(0, 1);
    KestroZip1.SetRootDir(root.toStdString());
    KestroZip1.FilesList.clear();
    if (Extract->AllFiles()) {
        KestroZip1.DoAll = true;
    } else {
        for (const QString& name : SelectedEntryNames())
            KestroZip1.FilesList.push_back(name.toStdString());
        if (KestroZip1.FilesList.empty()) {
            MessageBoxText(QStringLiteral("Error - no files selected"), true);
            return;
        }
    }
    if (ShowOutput)
        Msgform->OpenForOperation(this);

    int extracted = 0;
    QString failure;
    {
        TBusyCursor busy;
        TEngineRun run(*this);
        try {
            KestroZip1.SetDestDir(Extract->Destination.toStdString());
            KestroZip1.RecreateDirs = Extract->RecreateDirs();
            switch (Extract->Overwrite()) {
            case TExtract::TOverwrite::No: OverwriteChoice = TOverwriteChoice::No; break;
            case TExtract::TOverwrite::Yes: OverwriteChoice = TOverwriteChoice::Yes; break;
            case TExtract::TOverwrite::Prompt: OverwriteChoice = TOverwriteChoice::Prompt; break;
            }
            KestroZip1.OverwriteMode = Prompt;  // every existing file is decided by OverwriteChoice
            try {
                KestroZip1.SetZipName(CurrentArchive.toStdString());
            } catch (const EIncompleteZip&) {
            }
            extracted = KestroZip1.ExtractFiles();
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
        KestroZip1.DoAll = false;
        KestroZip1.OverwriteMode = Always;
    }
    ShowProgress(false);
    if (!failure.isEmpty()) {
        ShowError(failure);
        return;
    }
    Msgform->Finish(QStringLiteral("Finished extracting files"), ShowOutput);
    if (!ShowOutput)
        MessageBoxText(QString::number(extracted) + (extracted == 1 ? " file was extracted" : " files were extracted"),
                       false);
}

void TMainform::DeleteButClick()
{
    KestroZip1.SetZipName(CurrentArchive.toStdString());
    if (LMDListBox1->RowCount() == 0) {
        MessageBoxText(QStringLiteral("Error - no files to delete"), true);
        return;
    }
    QMessageBox confirm(QMessageBox::Question, QStringLiteral("Confirm"),
                        "Delete selected files from: " + CurrentArchive + "?", QMessageBox::Yes | QMessageBox::No, this);
    if (ExecNormalCursor(confirm) != QMessageBox::Yes)
        return;
    KestroZip1.FilesList.clear();
    for (const QString& name : SelectedEntryNames())
        KestroZip1.FilesList.push_back(name.toStdString());
    if (KestroZip1.FilesList.empty()) {
        MessageBoxText(QStringLiteral("Error - no files selected"), true);
        return;
    }
    if (ShowOutput)
        Msgform->OpenForOperation(this);

    QString failure;
    {
        TBusyCursor busy;
        TEngineRun run(*this);
        try {
            try {
                KestroZip1.DeleteFiles();
            } catch (const EIncompleteZip&) {
            }
            Msgform->Done(ShowOutput);
            CalcTotSize();
            KestroZip1.SaveModifiedArchive();
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    ShowProgress(false);
    if (!failure.isEmpty()) {
        ShowError(failure);
        return;
    }
    OpenIT();
}

}  // namespace movrel
